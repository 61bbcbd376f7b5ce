// Counting a file through the window's "Go" (a worker thread, the meter
// polling) against counting it directly with countFile, in turns within
// each iteration on the same 128 MiB file (made once in $TMPDIR or /tmp
// and kept). Target: the window within 5 % of direct counting.
//
// Counters (medians over the iterations; milliseconds per load):
//   directMs      countFile with the n-gram counter: the counting "Go" does
//   plainMs       countFile alone, for reference
//   workerMs      the load on a SampleLoadJob's thread, no event loop
//   meterMs       loadSampleWithMeter with the meter up from the start, the
//                 event loop polling all along (the worst case)
//   goMs          the window's "Go" as the user presses it: the same, the
//                 meter opening after METER_DELAY, and the tree shown
//   meterOverDirect, goOverDirect: the ratio to directMs of the same
//                 iteration, by wall-clock time; ...Cpu by the processor
//                 time of all threads, which other work on the machine
//                 disturbs less
// Needs a display (run under xvfb-run).
#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/sample_meter.h"
#include "app/window.h"
#include "bench/bench_sample_file.h"
#include "sample/ngram_counter.h"
#include "sample/sample_loader.h"
#include "widgets/dialogs.h"

namespace letterfreq {
namespace {

constexpr uint64_t FILE_SIZE = 128ull * 1024 * 1024;

// Paragraphs of a web page: tags, entities, CR LF line ends.
const char PARAGRAPH[] =
    "<p class=\"para\">Gallia est omnis divisa in partes tres, quarum unam "
    "incolunt Belgae, aliam Aquitani, tertiam qui ipsorum lingua Celtae, "
    "nostra Galli appellantur &amp; the caf\xC3\xA9 na\xC3\xAFve "
    "<a href=\"/wiki/x?a=1&amp;b=2\">letter</a> frequency.</p>\r\n\r\n";

const std::string& samplePath() {
  static const std::string path = bench::cachedSampleFile(
      "letterfreq-bench-page-128MiB-v1.html", FILE_SIZE,
      [](std::string& block) {
        while (block.size() < (1u << 20)) block += PARAGRAPH;
      });
  return path;
}

// Wall-clock and processor seconds (of every thread of this process).
struct Cost {
  double wall = 0;
  double cpu = 0;
};

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

Cost costOf(const std::function<bool()>& load, bool& ok) {
  const double cpuStart = cpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  ok = load() && ok;
  Cost cost;
  cost.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() -
                                            start)
                  .count();
  cost.cpu = cpuSeconds() - cpuStart;
  return cost;
}

double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t mid = values.size() / 2;
  return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// The ways of loading, each timed once per iteration in turns whose order
// rotates, so that a slow moment of a shared machine hits each alike.
enum Way { DIRECT, PLAIN, WORKER, METER, GO, WAYS };

// The medians of the loads' times, and of their ratios to the direct
// count of the same iteration.
void report(benchmark::State& state, const std::vector<Cost> (&costs)[WAYS]) {
  const auto ratio = [&costs](Way way, double Cost::*part) {
    std::vector<double> ratios;
    for (size_t i = 0; i < costs[DIRECT].size(); ++i) {
      ratios.push_back(costs[way][i].*part / costs[DIRECT][i].*part);
    }
    return median(ratios);
  };
  const auto ms = [&costs](Way way) {
    std::vector<double> walls;
    for (const Cost& cost : costs[way]) walls.push_back(1000 * cost.wall);
    return median(walls);
  };
  state.counters["directMs"] = ms(DIRECT);
  state.counters["plainMs"] = ms(PLAIN);
  state.counters["workerMs"] = ms(WORKER);
  state.counters["meterMs"] = ms(METER);
  state.counters["goMs"] = ms(GO);
  state.counters["workerOverDirect"] = ratio(WORKER, &Cost::wall);
  state.counters["meterOverDirect"] = ratio(METER, &Cost::wall);
  state.counters["goOverDirect"] = ratio(GO, &Cost::wall);
  state.counters["workerOverDirectCpu"] = ratio(WORKER, &Cost::cpu);
  state.counters["meterOverDirectCpu"] = ratio(METER, &Cost::cpu);
  state.counters["goOverDirectCpu"] = ratio(GO, &Cost::cpu);
}

void BM_GuiSampleLoadAgainstCountFile(benchmark::State& state) {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) {
    state.SkipWithError("needs a display (xvfb-run)");
    return;
  }
  replaceDialogHandlers({[](const std::string&) {},
                         [](const std::string&) { return false; }, nullptr});
  Window window(WINDOW_WIDTH, WINDOW_HEIGHT, WINDOW_TITLE);
  Fl::check();
  const std::string& path = samplePath();
  window.sampleInput->value(path.c_str());
  int32_t counts[PROFILE_SLOTS];
  NgramCounter ngrams;
  CountingPass withNgrams(ngrams);
  countFile(path, counts, withNgrams);  // into the page cache

  const std::function<bool()> loads[WAYS] = {
      [&] { return countFile(path, counts, withNgrams); },
      [&] { return countFile(path, counts, true); },
      [&] { return SampleLoadJob(path, SampleLimits()).take().ok; },
      [&] {
        return loadSampleWithMeter(window, path, SampleLimits(),
                                   std::chrono::milliseconds(0))
            .ok;
      },
      [&] {
        window.sampleLoaded = false;
        window.goButton->do_callback();
        return window.sampleLoaded;
      }};
  std::vector<Cost> costs[WAYS];
  bool ok = true;
  size_t turn = 0;
  for (auto _ : state) {
    for (size_t k = 0; k < WAYS; ++k) {
      const size_t way = (turn + k) % WAYS;
      costs[way].push_back(costOf(loads[way], ok));
    }
    ++turn;
  }
  if (!ok) state.SkipWithError("a load failed");

  report(state, costs);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(FILE_SIZE) * WAYS);
}
BENCHMARK(BM_GuiSampleLoadAgainstCountFile)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(12);

}  // namespace
}  // namespace letterfreq

BENCHMARK_MAIN();
