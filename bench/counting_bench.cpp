// Counting throughput, each figure beside its yardstick measured in the
// same run (the machine is shared and noisy; ratios of medians of paired
// turns hold still where plain times do not):
//   BM_RuleVsHistogram/prose, /html: the counting rule, and the rule with
//     the n-gram counter attached, on 16 MiB in a page-aligned buffer,
//     against a plain 4-table byte histogram on the same buffer
//     (ruleRatio, ngramRatio: the counting speed over the histogram's;
//     targets: prose >= 0.75 and html >= 0.5 for the rule, prose >= 0.4
//     with the n-gram counter).
//   BM_CountFileVsRead: countFile of a generated 256 MiB HTML-like file
//     against a cat-style read(2) of it into a page-aligned buffer
//     (readRatio: countFile's speed over the read's), both from the page
//     cache.
//   BM_CountFile, BM_CountFileUnfiltered, BM_WcLines: wall-clock and
//     processor throughput of countFile and of `wc -l` on that file.
// The file is made once in $TMPDIR (or /tmp) and kept for later runs.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <fcntl.h>
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
#include "bench/histogram_anchor.h"
#include "sample/counting_pass.h"
#include "sample/ngram_counter.h"
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

// Prose as a text file holds it: words, commas and full stops, LF line
// ends, a blank line between paragraphs, no markup.
std::vector<uint8_t> proseText(size_t size) {
  Random random(77);
  std::string text;
  while (text.size() < size) {
    const size_t words = 40 + random.below(80);
    size_t lineLength = 0;
    for (size_t i = 0; i < words; ++i) {
      const char* word = WORDS[random.below(WORD_COUNT)];
      text += word;
      lineLength += std::char_traits<char>::length(word) + 1;
      if (random.below(12) == 0) text += ',';
      if (lineLength > 70) {
        text += '\n';
        lineLength = 0;
      } else {
        text += ' ';
      }
    }
    text += ".\n\n";
  }
  text.resize(size);
  return std::vector<uint8_t>(text.begin(), text.end());
}

// The first 16 MiB of the HTML-like file.
std::vector<uint8_t> htmlText(size_t size) {
  std::vector<uint8_t> text;
  readFileBlocks(samplePath(), [&](const uint8_t* bytes, size_t length) {
    if (text.size() < size) text.insert(text.end(), bytes, bytes + length);
  });
  text.resize(std::min(text.size(), size));
  return text;
}

// Each turn times the histogram, the rule and the rule with n-grams on the
// same buffer, in that order; the ratios are of the medians.
void BM_RuleVsHistogram(benchmark::State& state) {
  constexpr size_t SIZE = 16u << 20;
  const bool prose = state.range(0) == 0;
  const std::vector<uint8_t> text = prose ? proseText(SIZE) : htmlText(SIZE);
  const PageBlock buffer = bench::pageAlignedCopy(text);
  int32_t counts[255];
  NgramCounter ngrams;
  CountingPass plain;
  CountingPass withNgrams(ngrams);
  std::vector<double> histogram, rule, ngram;
  for (auto _ : state) {
    histogram.push_back(bench::cpuSecondsOf([&] {
      bench::ByteHistogram h{};
      bench::histogram4(buffer.data(), text.size(), h);
      benchmark::DoNotOptimize(h);
    }));
    rule.push_back(bench::cpuSecondsOf(
        [&] { plain.count(buffer.data(), text.size(), counts); }));
    benchmark::DoNotOptimize(counts);
    ngram.push_back(bench::cpuSecondsOf(
        [&] { withNgrams.count(buffer.data(), text.size(), counts); }));
    benchmark::DoNotOptimize(ngrams.counts());
  }
  const double mb = static_cast<double>(text.size()) / 1e6;
  const double h = bench::median(histogram), r = bench::median(rule),
               n = bench::median(ngram);
  state.counters["histogramMBps"] = mb / h;
  state.counters["ruleMBps"] = mb / r;
  state.counters["ngramMBps"] = mb / n;
  state.counters["ruleRatio"] = h / r;
  state.counters["ngramRatio"] = h / n;
  state.SetLabel(prose ? "prose" : "html");
}
BENCHMARK(BM_RuleVsHistogram)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(15)
    ->Unit(benchmark::kMillisecond);

// What `cat` does: the file through a page-aligned 256 KiB buffer, bytes
// untouched.
bool readWhole(const std::string& path, uint8_t* buffer, size_t size) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  ssize_t got;
  while ((got = read(fd, buffer, size)) > 0) benchmark::DoNotOptimize(buffer);
  close(fd);
  return got == 0;
}

void BM_CountFileVsRead(benchmark::State& state) {
  const std::string& path = samplePath();
  constexpr size_t BLOCK = 256 * 1024;
  PageBlock buffer(BLOCK);
  int32_t counts[255];
  countFile(path, counts, true);  // into the page cache
  std::vector<double> reads, counting;
  for (auto _ : state) {
    reads.push_back(bench::cpuSecondsOf(
        [&] { readWhole(path, buffer.data(), BLOCK); }));
    counting.push_back(
        bench::cpuSecondsOf([&] { countFile(path, counts, true); }));
    benchmark::DoNotOptimize(counts);
  }
  const double mb = static_cast<double>(SAMPLE_SIZE) / 1e6;
  state.counters["readMBps"] = mb / bench::median(reads);
  state.counters["countFileMBps"] = mb / bench::median(counting);
  state.counters["readRatio"] =
      bench::median(reads) / bench::median(counting);
}
BENCHMARK(BM_CountFileVsRead)->Iterations(5)->Unit(benchmark::kMillisecond);

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
