// Counting throughput on a generated 256 MiB HTML-like file, next to
// `wc -l` on the same file in the same run as a yardstick for reading speed.
// The file is made once in $TMPDIR (or /tmp) and kept for later runs.
// bytes_per_second is by wall-clock time; cpu_bytes_per_second by the
// processor time of this process and its children (wc), which stays
// comparable when other work shares the machine.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/bench_random.h"
#include "bench/bench_sample_file.h"
#include "sample/counting_rule.h"
#include "sample/sample_loader.h"

namespace letterfreq {
namespace {

constexpr uint64_t SAMPLE_SIZE = 256ull * 1024 * 1024;

using Random = bench::XorShift64;

// clang-format off
const char* const WORDS[] = {
    "the", "and", "of", "lingua", "Latina", "est", "quae", "caf\xC3\xA9",
    "na\xC3\xAFve", "stra\xC3\x9F\x65", "\xC3\xA9t\xC3\xA9", "frequency",
    "letter", "sample", "profile", "database", "language", "word", "text",
    "page", "about", "with", "from", "which", "Gallia", "omnis", "divisa",
    "partes", "tres", "quarum", "unam", "incolunt", "Belgae", "aliam",
    "Aquitani", "tertiam", "ipsorum"};
// clang-format on
constexpr size_t WORD_COUNT = sizeof WORDS / sizeof WORDS[0];

const char* const ENTITIES[] = {"&amp;",    "&nbsp;", "&#8211;",
                                "&eacute;", "&quot;", "&lt;"};

// One paragraph of web page: tags with attributes, links whose addresses
// carry '&' entities, text with entities and CR LF line ends.
void appendParagraph(Random& random, std::string& out) {
  out += "<p class=\"para\" id=\"p";
  out += std::to_string(random.below(100000));
  out += "\">";
  const size_t words = 20 + random.below(60);
  size_t lineLength = 0;
  for (size_t i = 0; i < words; ++i) {
    const char* word = WORDS[random.below(WORD_COUNT)];
    const size_t roll = random.below(100);
    if (roll < 8) {
      out += "<a href=\"/wiki/";
      out += word;
      out += "?lang=la&amp;id=";
      out += std::to_string(random.below(10000));
      out += "\" title=\"";
      out += word;
      out += "\">";
      out += word;
      out += "</a>";
    } else if (roll < 12) {
      out += "<b>";
      out += word;
      out += "</b>";
    } else if (roll < 15) {
      out += ENTITIES[random.below(6)];
    } else {
      out += word;
    }
    lineLength += 8;
    if (roll % 10 == 0) out += ',';
    if (lineLength > 70) {
      out += "\r\n";
      lineLength = 0;
    } else {
      out += ' ';
    }
  }
  out += ".</p>\r\n\r\n";
}

// The path of the sample, generated if it is not there yet.
const std::string& samplePath() {
  static const std::string path = [] {
    Random random;
    return bench::cachedSampleFile(
        "letterfreq-bench-html-256MiB-v1.html", SAMPLE_SIZE,
        [&random](std::string& block) {
          while (block.size() < (1u << 20)) appendParagraph(random, block);
        });
  }();
  return path;
}

// Processor seconds used so far by this process and its waited children.
double cpuSeconds() {
  double seconds = 0;
  for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
    rusage usage{};
    getrusage(who, &usage);
    seconds += usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
               (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  }
  return seconds;
}

void reportBytes(benchmark::State& state, uint64_t bytesEach, double cpuStart) {
  const double bytes = static_cast<double>(state.iterations() * bytesEach);
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
  const double cpu = cpuSeconds() - cpuStart;
  if (cpu > 0) state.counters["cpu_bytes_per_second"] = bytes / cpu;
}

void countFileBench(benchmark::State& state, bool filterMarkup) {
  const std::string& path = samplePath();
  int32_t counts[255];
  countFile(path, counts, filterMarkup);  // into the page cache
  const double cpuStart = cpuSeconds();
  for (auto _ : state) {
    if (!countFile(path, counts, filterMarkup)) {
      state.SkipWithError("countFile failed");
      break;
    }
    benchmark::DoNotOptimize(counts);
  }
  reportBytes(state, SAMPLE_SIZE, cpuStart);
}

void BM_CountFile(benchmark::State& state) { countFileBench(state, true); }
BENCHMARK(BM_CountFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CountFileUnfiltered(benchmark::State& state) {
  countFileBench(state, false);
}
BENCHMARK(BM_CountFileUnfiltered)->Unit(benchmark::kMillisecond)->UseRealTime();

// The rule alone on 16 MiB already in memory: no read(2), no page cache.
void BM_CountingRuleInMemory(benchmark::State& state) {
  std::vector<uint8_t> text;
  readFileBlocks(samplePath(), [&text](const uint8_t* bytes, size_t length) {
    if (text.size() < (16u << 20))
      text.insert(text.end(), bytes, bytes + length);
  });
  int32_t counts[255];
  const double cpuStart = cpuSeconds();
  for (auto _ : state) {
    CountingRule rule(true);
    rule.feed(text.data(), text.size());
    rule.copyCountsTo(counts);
    benchmark::DoNotOptimize(counts);
  }
  reportBytes(state, text.size(), cpuStart);
}
BENCHMARK(BM_CountingRuleInMemory)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The yardstick: `wc -l` reading the same file from the page cache.
void BM_WcLines(benchmark::State& state) {
  const std::string command = "wc -l '" + samplePath() + "' >/dev/null";
  const double cpuStart = cpuSeconds();
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("wc -l failed");
      break;
    }
  }
  reportBytes(state, SAMPLE_SIZE, cpuStart);
}
BENCHMARK(BM_WcLines)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace letterfreq

BENCHMARK_MAIN();
