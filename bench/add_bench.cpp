// `letterfreq-cli add` of one sample to generated databases of 1,000 to
// 1,000,000 entries (about 1.2 kB each), against a cat-style read of the
// same file in the same run (the file read once in 128 KiB blocks into a
// page-aligned buffer, as cat does), beside the earlier way of adding (a
// whole load and two more reads of the file). Both are timed in CPU time of
// this process (the machine is shared); wall time is reported beside it, and
// the add's includes its flushes to disk. The database is cut back to its size
// after each add, so every iteration adds to the same file. Counters:
// ratioToCat (add CPU over cat CPU, the figure to watch), addCpuMs,
// catCpuMs, addWallMs, catWallMs, fileMB.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <string>

#include "bench/generated_database.h"
#include "cli/cli_runner.h"
#include "util/page_block.h"
#include "db/record_file.h"
#include "profiles/entry_add_plain.h"

namespace letterfreq {
namespace {

constexpr const char* STEM = "letterfreq-add-bench";
constexpr size_t CAT_BLOCK = 128 * 1024;

double seconds(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return static_cast<double>(now.tv_sec) +
         1e-9 * static_cast<double>(now.tv_nsec);
}

struct Times {
  double cpu = 0;
  double wall = 0;
};

template <class Work>
Times timed(Work work) {
  const double cpu = seconds(CLOCK_PROCESS_CPUTIME_ID);
  const double wall = seconds(CLOCK_MONOTONIC);
  work();
  return {seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu,
          seconds(CLOCK_MONOTONIC) - wall};
}

// Reads the whole file as cat does; returns the bytes read.
size_t catFile(const std::string& path) {
  PageBlock buffer(CAT_BLOCK);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error("cannot open " + path);
  size_t total = 0;
  ssize_t n;
  while ((n = ::read(fd, buffer.data(), CAT_BLOCK)) > 0)
    total += static_cast<size_t>(n);
  ::close(fd);
  return total;
}

const std::string& samplePath() {
  static const std::string path = [] {
    const std::string name =
        (std::filesystem::temp_directory_path() /
         (std::string(STEM) + "-sample-" + std::to_string(getpid()) + ".txt"))
            .string();
    std::string text;
    while (text.size() < 4000) {
      text +=
          "The quick brown fox jumps over the lazy dog, and then it "
          "rests a while in the warm afternoon sun. ";
    }
    FILE* file = std::fopen(name.c_str(), "wb");
    if (file == nullptr) throw std::runtime_error("cannot write " + name);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    return name;
  }();
  return path;
}

// Times `add` (true when it added) against cat on the database of
// state.range(0) entries.
template <class Add>
void timeAgainstCat(benchmark::State& state, Add add) {
  const int entries = static_cast<int>(state.range(0));
  const std::string path = bench::generatedDatabaseFile(STEM, entries);
  if (path.empty()) {
    state.SkipWithError("could not make the database");
    return;
  }
  const auto size = static_cast<off_t>(std::filesystem::file_size(path));
  catFile(path);  // into the page cache before either is timed
  Times added, cat;
  for (auto _ : state) {
    const Times c = timed([&] { benchmark::DoNotOptimize(catFile(path)); });
    bool ok = false;
    const Times a = timed([&] { ok = add(path); });
    if (!ok) state.SkipWithError("the add failed");
    if (::truncate(path.c_str(), size) != 0) state.SkipWithError("truncate");
    state.SetIterationTime(a.wall);
    added.cpu += a.cpu;
    added.wall += a.wall;
    cat.cpu += c.cpu;
    cat.wall += c.wall;
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["ratioToCat"] = added.cpu / cat.cpu;
  state.counters["addCpuMs"] = 1e3 * added.cpu / n;
  state.counters["catCpuMs"] = 1e3 * cat.cpu / n;
  state.counters["addWallMs"] = 1e3 * added.wall / n;
  state.counters["catWallMs"] = 1e3 * cat.wall / n;
  state.counters["fileMB"] = static_cast<double>(size) / 1048576.0;
}

// The program's add, in process: the sample counted, one pass over the
// record heads, the append.
void BM_AddOneSample(benchmark::State& state) {
  timeAgainstCat(state, [](const std::string& path) {
    std::istringstream in;
    std::ostringstream out, err;
    return runCli(
               {"add", "--db", path, "--language", "Language 3", samplePath()},
               in, out, err) == 0;
  });
}
BENCHMARK(BM_AddOneSample)
    ->Arg(1000)
    ->Arg(10000)
    ->Iterations(8)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddOneSample)
    ->Arg(100000)
    ->Arg(1000000)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The earlier way (profiles/entry_add_plain.h): a whole load, then a
// snapshot and the append's own read; the sample counted beforehand.
void BM_AddOneSamplePlain(benchmark::State& state) {
  LetterProfile sample;
  sample.counts['e'] = 40;
  sample.counts['t'] = 30;
  sample.sampleCount = 1;
  sample.sortOrder();
  timeAgainstCat(state, [&sample](const std::string& path) {
    RecordFile database(path);
    return plain::storeEntriesIfLoadable(
               database, {{{"Language 3", "", samplePath()}, sample}},
               FeatureSetFlags{}, {})
        .has_value();
  });
}
BENCHMARK(BM_AddOneSamplePlain)
    ->Arg(1000)
    ->Arg(10000)
    ->Iterations(4)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddOneSamplePlain)
    ->Arg(100000)
    ->Arg(1000000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace letterfreq

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  // The generated databases and their companions go with the run.
  letterfreq::bench::removeGeneratedDatabases(letterfreq::STEM,
                                              {1000, 10000, 100000, 1000000});
  std::filesystem::remove(letterfreq::samplePath());
  return 0;
}
