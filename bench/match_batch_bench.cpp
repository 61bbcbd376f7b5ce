// Batch matching against the starter database (data/ling2.db), the figures
// of many small samples, each printed beside its anchor measured in the
// same run (medians of CPU time of the whole process, system calls
// included; the runs take turns, so that all meet the same machine):
// - TopOne: `match --method 1 --top 1` over 10,000 files of 100 to 400
//   bytes from data/sample.txt, in µs per snippet (the database's load left
//   out: a batch of one file is taken off), against reading the same files
//   as cat does (open, read, close).
// - AllScores: the same printing every language's score, against --top 1.
// - Ngrams/L: `match --method 7 --top 1` over snippets of L bytes, per
//   snippet, and its two parts apart: counting each file with its n-gram
//   counts (sample/), and the rest (ranking and printing). The ranking is
//   also timed alone over samples counted beforehand (their 64 KiB of
//   counts no longer in the cache, so slower than in the batch) beside the
//   plain ranking that is its test oracle.
// - NgramTable: the table of n-gram weights a batch makes before its first
//   sample (summing every language's lists, a logarithm per bucket and
//   language): its size in MB and the time to make it, beside the load of
//   the database it follows.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "bench/bench_random.h"
#include "cli/cli_runner.h"
#include "cli/database_arg.h"
#include "profiles/methods.h"
#include "profiles/ngram_match.h"
#include "sample/ngram_counter.h"
#include "sample/sample_loader.h"
#include "tests/support/feature_samples.h"

namespace letterfreq {
namespace {

constexpr int SNIPPETS = 10000;
// Each snippet file is named this many times in a batch, so that the
// batch outweighs the noise of the database's load.
constexpr int PASSES = 3;

std::string sourceFile(const char* name) {
  return std::string(LETTERFREQ_SOURCE_DIR) + "/data/" + name;
}

// `count` snippet files of `shortest` to `longest` bytes cut from
// data/sample.txt at random places, written once into the temporary folder.
std::vector<std::string> snippetFiles(int count, size_t shortest,
                                      size_t longest) {
  std::ifstream in(sourceFile("sample.txt"), std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), {});
  const auto folder =
      std::filesystem::temp_directory_path() /
      ("letterfreq-match-batch-bench-" + std::to_string(shortest) + "-" +
       std::to_string(longest));
  std::filesystem::create_directories(folder);
  auto random = bench::XorShift64::seeded(16);
  std::vector<std::string> files;
  for (int i = 0; i < count; ++i) {
    const size_t length = shortest + random.below(longest - shortest + 1);
    const size_t start = random.below(text.size() - length);
    const std::string path = (folder / std::to_string(i)).string();
    std::ofstream(path, std::ios::binary) << text.substr(start, length);
    files.push_back(path);
  }
  return files;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

double processCpuMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return now.tv_sec * 1e6 + now.tv_nsec / 1e3;
}

// Standard output that only counts what it is given, as /dev/null would:
// growing a string of hundreds of MB is no part of matching.
class DiscardingBuffer : public std::streambuf {
 public:
  size_t written = 0;

 protected:
  std::streamsize xsputn(const char*, std::streamsize count) override {
    written += static_cast<size_t>(count);
    return count;
  }
  int_type overflow(int_type c) override {
    ++written;
    return traits_type::not_eof(c);
  }
};

// CPU microseconds of one CLI run over `files`, each named `passes` times.
double cliMicroseconds(const std::vector<std::string>& options,
                       const std::vector<std::string>& files, int passes) {
  std::vector<std::string> args = {"match", "--db", sourceFile("ling2.db")};
  args.insert(args.end(), options.begin(), options.end());
  for (int pass = 0; pass < passes; ++pass) {
    args.insert(args.end(), files.begin(), files.end());
  }
  std::istringstream in;
  std::ostringstream err;
  DiscardingBuffer discarded;
  std::ostream out(&discarded);
  const double start = processCpuMicroseconds();
  const int status = runCli(args, in, out, err);
  const double took = processCpuMicroseconds() - start;
  benchmark::DoNotOptimize(discarded.written);
  return status == 0 ? took : -1e12;
}

// Per-snippet CPU time of a batch, without the database's load: the run
// over one file is taken off the run over all of them.
struct BatchTimes {
  std::vector<double> whole, one;
  void add(const std::vector<std::string>& options,
           const std::vector<std::string>& files) {
    whole.push_back(cliMicroseconds(options, files, PASSES));
    one.push_back(cliMicroseconds(options, {files[0]}, 1));
  }
  double perSnippet(size_t files) const {
    return (median(whole) - median(one)) / (files * PASSES - 1.0);
  }
};

// Reading every file as cat does: CPU µs per file.
double readMicroseconds(const std::vector<std::string>& files) {
  static char buffer[64 * 1024];
  const double start = processCpuMicroseconds();
  for (const std::string& file : files) {
    const int fd = open(file.c_str(), O_RDONLY);
    while (read(fd, buffer, sizeof buffer) > 0) {
    }
    close(fd);
  }
  return (processCpuMicroseconds() - start) / files.size();
}

const std::vector<std::string>& mixedSnippets() {
  static const auto files = snippetFiles(SNIPPETS, 100, 400);
  return files;
}

void BM_TopOne(benchmark::State& state) {
  const auto& files = mixedSnippets();
  BatchTimes batch;
  std::vector<double> reads;
  for (auto _ : state) {
    batch.add({"--method", "1", "--top", "1"}, files);
    reads.push_back(readMicroseconds(files));
  }
  const double topOne = batch.perSnippet(files.size());
  state.counters["topOneUs"] = topOne;
  state.counters["readUs"] = median(reads);
  state.counters["overRead"] = topOne / median(reads);
}
BENCHMARK(BM_TopOne)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_AllScores(benchmark::State& state) {
  const auto& files = mixedSnippets();
  BatchTimes top, all;
  for (auto _ : state) {
    top.add({"--method", "1", "--top", "1"}, files);
    all.add({"--method", "1"}, files);
  }
  const double topOne = top.perSnippet(files.size());
  const double allScores = all.perSnippet(files.size());
  state.counters["topOneUs"] = topOne;
  state.counters["allScoresUs"] = allScores;
  state.counters["overTopOne"] = allScores / topOne;
}
BENCHMARK(BM_AllScores)->Unit(benchmark::kMillisecond)->Iterations(5);

// One snippet's counts, as counting its file gives them.
struct Counted {
  std::array<int32_t, PROFILE_SLOTS> counts;
  std::vector<uint32_t> ngrams;
};

void BM_Ngrams(benchmark::State& state) {
  const size_t length = static_cast<size_t>(state.range(0));
  const auto files = snippetFiles(2000, length, length);
  DatabaseLoad loaded;
  std::ostringstream err;
  if (!loadDatabaseArg(sourceFile("ling2.db"), err, loaded)) {
    state.SkipWithError("the starter database did not load");
    return;
  }
  const MatchTarget target(loaded.languageProfiles(), loaded.features);
  const NgramModel& model = ngramModel(loaded.features);
  const MatchMethod& method = *findMethod(METHOD_NGRAM_LIKELIHOOD);
  // A tenth of the files are kept counted, for ranking.
  std::vector<Counted> counted(files.size() / 10);
  NgramCounter counter;
  CountingPass pass(counter);
  Ranking ranking;
  BatchTimes batch;
  std::vector<double> counting, ranks, plainRanks;
  for (auto _ : state) {
    batch.add({"--method", "7", "--top", "1"}, files);
    double start = processCpuMicroseconds();
    for (size_t i = 0; i < files.size(); ++i) {
      Counted& into = counted[i % counted.size()];
      countFile(files[i], into.counts.data(), pass);
      if (i < counted.size()) {
        into.ngrams.assign(counter.counts(), counter.counts() + NGRAM_BUCKETS);
      }
    }
    counting.push_back((processCpuMicroseconds() - start) / files.size());
    // The two rankings take turns, twice, so that neither finds the
    // weights warmer in the cache than the other.
    for (int turn = 0; turn < 2; ++turn) {
      start = processCpuMicroseconds();
      for (const Counted& sample : counted) {
        const NgramMatch match =
            matchNgrams(model, sample.ngrams.data());
        benchmark::DoNotOptimize(match.bars.data());
      }
      plainRanks.push_back((processCpuMicroseconds() - start) / counted.size());
      start = processCpuMicroseconds();
      for (const Counted& sample : counted) {
        rankByMethod(method, target,
                     withNgrams(sample.counts.data(), sample.ngrams.data()),
                     1, ranking);
        benchmark::DoNotOptimize(ranking.scores.data());
      }
      ranks.push_back((processCpuMicroseconds() - start) / counted.size());
    }
  }
  state.counters["batchUs"] = batch.perSnippet(files.size());
  state.counters["countUs"] = median(counting);
  // What the batch spends on a snippet beyond counting it: ranking and
  // printing, with the counts still warm from counting.
  state.counters["batchLessCountUs"] =
      batch.perSnippet(files.size()) - median(counting);
  state.counters["rankUs"] = median(ranks);
  state.counters["plainRankUs"] = median(plainRanks);
  state.counters["rankOverPlain"] = median(ranks) / median(plainRanks);
}
BENCHMARK(BM_Ngrams)
    ->Arg(30)
    ->Arg(100)
    ->Arg(400)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

void BM_NgramTable(benchmark::State& state) {
  std::vector<double> loads, tables;
  size_t bytes = 0;
  for (auto _ : state) {
    const double start = processCpuMicroseconds();
    DatabaseLoad loaded;
    std::ostringstream err;
    if (!loadDatabaseArg(sourceFile("ling2.db"), err, loaded)) {
      state.SkipWithError("the starter database did not load");
      return;
    }
    const double made = processCpuMicroseconds();
    const NgramLanes lanes(ngramModel(loaded.features));  // makes the weights
    tables.push_back(processCpuMicroseconds() - made);
    loads.push_back(made - start);
    bytes = ngramModel(loaded.features).rowLength() * NGRAM_BUCKETS * sizeof(uint16_t);
    benchmark::DoNotOptimize(lanes.usable());
  }
  state.counters["tableMB"] = static_cast<double>(bytes) / 1e6;
  state.counters["tableMs"] = median(tables) / 1e3;
  state.counters["loadMs"] = median(loads) / 1e3;
  state.counters["tableOverLoad"] = median(tables) / median(loads);
}
BENCHMARK(BM_NgramTable)->Unit(benchmark::kMillisecond)->Iterations(9);

}  // namespace
}  // namespace letterfreq

BENCHMARK_MAIN();
