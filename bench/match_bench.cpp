// Matching one sample against 1,000 languages (the target is under 10 ms a
// match), by every method: once from the profiles as the window does it,
// table made per match, and once against a table made beforehand, as the
// CLI does for many samples. The languages are generated: their counts,
// entries and deviations vary, so every branch of the scoring is taken.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "profiles/match.h"
#include "profiles/match_plain.h"
#include "profiles/methods.h"

namespace letterfreq {
namespace {

constexpr int LANGUAGES = 1000;

uint32_t nextRandom(uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state >> 8;
}

std::vector<LetterProfile> makeLanguages(int n) {
  uint32_t state = 42;
  std::vector<LetterProfile> languages(n);
  for (int e = 0; e < n; ++e) {
    LetterProfile& lang = languages[e];
    lang.name = "Language " + std::to_string(e);
    lang.recordId = 257 + e;
    lang.sampleCount = 1 + e % 6;
    for (int b = 0; b < PROFILE_SLOTS; ++b) {
      // About a third of the byte values unused, as in real text.
      lang.counts[b] =
          nextRandom(state) % 3 == 0 ? 0 : nextRandom(state) % 9000;
      lang.stdDevs[b] = (nextRandom(state) % 1000) * 1e-5f;
    }
  }
  return languages;
}

std::array<int32_t, PROFILE_SLOTS> makeSample() {
  uint32_t state = 7;
  std::array<int32_t, PROFILE_SLOTS> counts{};
  for (int b = 0; b < PROFILE_SLOTS; ++b) {
    counts[b] = nextRandom(state) % 2 == 0 ? 0 : nextRandom(state) % 400;
  }
  return counts;
}

void BM_MatchFromProfiles(benchmark::State& state) {
  const int code = static_cast<int>(state.range(0));
  const auto languages = makeLanguages(LANGUAGES);
  const auto sample = makeSample();
  for (auto _ : state) {
    auto rows = matchSample(code, sample.data(), languages);
    benchmark::DoNotOptimize(rows.data());
  }
  state.SetLabel(methodName(code));
}
BENCHMARK(BM_MatchFromProfiles)
    ->DenseRange(FIRST_METHOD_CODE, LAST_METHOD_CODE)
    ->Unit(benchmark::kMillisecond);

void BM_MatchAgainstTable(benchmark::State& state) {
  const int code = static_cast<int>(state.range(0));
  const auto languages = makeLanguages(LANGUAGES);
  const LanguageTable table(languages);
  const auto sample = makeSample();
  for (auto _ : state) {
    auto rows = matchSample(code, sample.data(), table, languages);
    benchmark::DoNotOptimize(rows.data());
  }
  state.SetLabel(methodName(code));
}
BENCHMARK(BM_MatchAgainstTable)
    ->DenseRange(FIRST_METHOD_CODE, LAST_METHOD_CODE)
    ->Unit(benchmark::kMillisecond);

// The scores of one method as the product sums them (in AVX2 lanes where
// the processor has them) and by the plain version, taking turns in each
// step so that both meet the same machine; reported as medians of CPU time
// (lanesUs, plainUs) and their ratio.
void scoreBy(bool plainly, int code, const int32_t* sample,
             const LanguageTable& table, std::vector<float>& scores) {
  if (code == METHOD_DIFFERENCE) {
    plainly ? plain::scoreDifference(sample, table, scores)
            : scoreDifference(sample, table, scores);
  } else if (code == METHOD_TENDENCY_PULL) {
    plainly ? plain::scoreTendencyPull(sample, table, scores)
            : scoreTendencyPull(sample, table, scores);
  } else {
    plainly ? plain::scoreDeviations(sample, table, code - 1, scores)
            : scoreDeviations(sample, table, code - 1, scores);
  }
}

// CPU time of this thread: the machine may be shared, and the time others
// take must count for neither version.
double threadCpuMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return now.tv_sec * 1e6 + now.tv_nsec / 1e3;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

void BM_LanesOverPlain(benchmark::State& state) {
  const int code = static_cast<int>(state.range(0));
  const int count = static_cast<int>(state.range(1));
  const auto languages = makeLanguages(count);
  const LanguageTable table(languages);
  const auto sample = makeSample();
  std::vector<float> scores;
  std::vector<double> lanes, plainTimes;
  auto timed = [&](bool plainly) {
    constexpr int REPEATS = 20;
    const double start = threadCpuMicroseconds();
    for (int r = 0; r < REPEATS; ++r) {
      scoreBy(plainly, code, sample.data(), table, scores);
      benchmark::DoNotOptimize(scores.data());
    }
    return (threadCpuMicroseconds() - start) / REPEATS;
  };
  for (auto _ : state) {
    lanes.push_back(timed(false));
    plainTimes.push_back(timed(true));
  }
  state.counters["lanesUs"] = median(lanes);
  state.counters["plainUs"] = median(plainTimes);
  state.counters["ratio"] = median(lanes) / median(plainTimes);
  state.SetLabel(methodName(code));
}
BENCHMARK(BM_LanesOverPlain)
    ->ArgsProduct({benchmark::CreateDenseRange(FIRST_METHOD_CODE,
                                               LAST_METHOD_CODE, 1),
                   {44, 1000}})
    ->Unit(benchmark::kMillisecond);

void BM_LanguageTable(benchmark::State& state) {
  const auto languages = makeLanguages(LANGUAGES);
  for (auto _ : state) {
    LanguageTable table(languages);
    benchmark::DoNotOptimize(table.freqs.data());
  }
}
BENCHMARK(BM_LanguageTable)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace letterfreq

BENCHMARK_MAIN();
