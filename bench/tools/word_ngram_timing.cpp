// Times "Word and N-gram Likelihood" (method 8) through the real program,
// with its ratios to "N-gram Likelihood" (method 7) measured in the same
// run, on a database that carries both kinds (scripts/build-starter-db
// --ngrams --tables --out FILE):
//   - one short sample, `letterfreq-cli match --method M` as a user runs
//     it: process start, load, weights (median of paired runs);
//   - a batch of 400-byte snippets of the held-out texts: the time per
//     snippet once the weights are made (a batch of every snippet twice
//     less one of every snippet once), and what making them took (a batch
//     of every snippet once less one of a single snippet, less the
//     snippets' own time);
//   - the largest memory of each run, beside the file's size;
//   - in process, the N-gram Table reader against the item-by-item one
//     on 300 tables of 8,192 items, as the starter texts' entries have.
// Usage: word_ngram_timing CLI DATABASE TEXTS [FOLDER]
//   CLI: build/letterfreq-cli; TEXTS: .starter/texts (heldout/ is read);
//   FOLDER: where the snippets are written ($TMPDIR/letterfreq-word-timing).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "profiles/ngram_table_record.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t SNIPPET_BYTES = 400;
constexpr size_t BATCH_SNIPPETS = 1000;
constexpr int SINGLE_RUNS = 9;
constexpr int BATCH_RUNS = 3;

struct Run {
  double wall = 0;  // seconds
  double cpu = 0;   // user and system seconds
  long maxKb = 0;   // largest resident memory
};

// One run of the program, its output to /dev/null.
Run runProgram(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& arg : args)
    argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  std::fflush(nullptr);  // the child would write what is buffered again
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    if (!freopen("/dev/null", "w", stdout)) _exit(127);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  Run run;
  run.wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
          .count();
  run.cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 +
            usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
  run.maxKb = usage.ru_maxrss;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::cerr << "word_ngram_timing: " << args[0] << " failed\n";
    std::exit(1);
  }
  return run;
}

Run median(std::vector<Run> runs) {
  auto middle = [&](auto field) {
    std::vector<double> values;
    for (const Run& run : runs) values.push_back(field(run));
    std::nth_element(values.begin(), values.begin() + values.size() / 2,
                     values.end());
    return values[values.size() / 2];
  };
  Run m;
  m.wall = middle([](const Run& r) { return r.wall; });
  m.cpu = middle([](const Run& r) { return r.cpu; });
  m.maxKb =
      static_cast<long>(middle([](const Run& r) { return double(r.maxKb); }));
  return m;
}

// 400-byte snippets of the held-out texts, taken in turn from each.
std::vector<std::string> writeSnippets(const fs::path& texts,
                                       const fs::path& folder) {
  std::vector<std::string> sources;
  for (const auto& language : fs::directory_iterator(texts / "heldout")) {
    for (const auto& file : fs::directory_iterator(language.path())) {
      if (file.path().extension() == ".txt") sources.push_back(file.path());
    }
  }
  std::sort(sources.begin(), sources.end());
  fs::create_directories(folder);
  std::vector<std::string> names;
  // Each text gives its first snippet, then its second, and so on.
  for (size_t k = 0; names.size() < BATCH_SNIPPETS && k < 8 * sources.size();
       ++k) {
    std::ifstream in(sources[k % sources.size()], std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    const size_t at = k / sources.size() * SNIPPET_BYTES;
    if (text.size() < at + SNIPPET_BYTES) continue;
    const fs::path name = folder / ("snippet-" + std::to_string(names.size()));
    std::ofstream(name, std::ios::binary) << text.substr(at, SNIPPET_BYTES);
    names.push_back(name);
  }
  return names;
}

std::vector<std::string> matchArgs(const std::string& cli,
                                   const std::string& db, const char* method,
                                   const std::vector<std::string>& samples) {
  std::vector<std::string> args = {cli, "match",    "--db",
                                   db,  "--method", method};
  args.insert(args.end(), samples.begin(), samples.end());
  return args;
}

// The batch figures of both methods; the median batch run of method 8.
Run timeBatches(const std::string& cli, const std::string& db,
                const std::vector<std::string>& snippets) {
  std::vector<std::string> twice = snippets;
  twice.insert(twice.end(), snippets.begin(), snippets.end());
  std::vector<Run> one[2], batch[2], doubled[2];
  for (int r = 0; r < BATCH_RUNS; ++r) {
    for (int m = 0; m < 2; ++m) {
      const char* method = m == 0 ? "7" : "8";
      one[m].push_back(runProgram(matchArgs(cli, db, method, {snippets[0]})));
      batch[m].push_back(runProgram(matchArgs(cli, db, method, snippets)));
      doubled[m].push_back(runProgram(matchArgs(cli, db, method, twice)));
    }
  }
  double perSnippet[2], setUp[2];
  const auto n = static_cast<double>(snippets.size());
  for (int m = 0; m < 2; ++m) {
    perSnippet[m] = (median(doubled[m]).cpu - median(batch[m]).cpu) / n;
    setUp[m] =
        median(batch[m]).cpu - median(one[m]).cpu - (n - 1) * perSnippet[m];
  }
  std::printf(
      "batch, CPU per snippet: method 7 %.3f ms, method 8 %.3f ms, "
      "ratio %.2f; made once for a batch: method 7 %.0f ms, method 8 "
      "%.0f ms\n",
      perSnippet[0] * 1e3, perSnippet[1] * 1e3, perSnippet[1] / perSnippet[0],
      setUp[0] * 1e3, setUp[1] * 1e3);
  return median(batch[1]);
}

// Seconds the quick and the plain reader take for the same tables.
void timeReaders() {
  std::mt19937 random(5);
  std::vector<std::vector<uint8_t>> blocks;
  for (int t = 0; t < 300; ++t) {
    std::vector<letterfreq::NgramTableItem> items;
    for (uint32_t b = random() % 16; items.size() < 8192;
         b += 1 + random() % 60) {
      // Counts as text has them: mostly 1 to 3, some in the hundreds.
      const uint32_t count =
          random() % 8 == 0 ? 1 + random() % 500 : 1 + random() % 3;
      items.push_back({b, count});
    }
    blocks.push_back(letterfreq::encodeNgramTable(items));
  }
  double seconds[2];
  for (int reader = 0; reader < 2; ++reader) {
    std::vector<letterfreq::NgramTableItem> items;
    std::string why;
    const auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < 5; ++round) {
      for (const auto& block : blocks) {
        const bool read = reader == 0
                              ? letterfreq::decodeNgramTable(
                                    block.data(), block.size(), items, why)
                              : letterfreq::plainDecodeNgramTable(
                                    block.data(), block.size(), items, why);
        if (!read) std::exit(1);
      }
    }
    seconds[reader] =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
            .count();
  }
  const double items = 5.0 * 300 * 8192;
  std::printf(
      "N-gram Table reader: %.1f ns an item, item by item %.1f ns, ratio "
      "%.2f\n",
      seconds[0] / items * 1e9, seconds[1] / items * 1e9,
      seconds[0] / seconds[1]);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::cerr << "usage: word_ngram_timing CLI DATABASE TEXTS [FOLDER]\n";
    return 2;
  }
  const std::string cli = argv[1], db = argv[2];
  const fs::path folder =
      argc > 4 ? fs::path(argv[4])
               : fs::temp_directory_path() / "letterfreq-word-timing";
  const std::vector<std::string> snippets = writeSnippets(argv[3], folder);
  if (snippets.empty()) {
    std::cerr << "word_ngram_timing: no held-out texts in " << argv[3] << "\n";
    return 1;
  }
  const fs::path shortSample = folder / "short.txt";
  std::ofstream(shortSample) << "the children were playing in the garden\n";
  const double fileMb = static_cast<double>(fs::file_size(db)) / 1e6;

  std::vector<Run> single[2];
  for (int r = 0; r < SINGLE_RUNS; ++r) {
    for (int m = 0; m < 2; ++m) {
      single[m].push_back(
          runProgram(matchArgs(cli, db, m == 0 ? "7" : "8", {shortSample})));
    }
  }
  std::printf("database %s: %.1f MB; %zu snippets of %zu bytes\n", db.c_str(),
              fileMb, snippets.size(), SNIPPET_BYTES);
  const Run s7 = median(single[0]), s8 = median(single[1]);
  std::printf(
      "one short sample: method 7 %.0f ms (CPU %.0f ms), method 8 "
      "%.0f ms (CPU %.0f ms), ratio %.2f (CPU %.2f)\n",
      s7.wall * 1e3, s7.cpu * 1e3, s8.wall * 1e3, s8.cpu * 1e3,
      s8.wall / s7.wall, s8.cpu / s7.cpu);
  const Run batch8 = timeBatches(cli, db, snippets);
  timeReaders();
  std::printf(
      "largest memory: one sample %.1f MB (%.2fx the file), batch "
      "%.1f MB (%.2fx); method 7, one sample %.1f MB\n",
      s8.maxKb / 1e3, s8.maxKb / 1e3 / fileMb, batch8.maxKb / 1e3,
      batch8.maxKb / 1e3 / fileMb, s7.maxKb / 1e3);
  return 0;
}
