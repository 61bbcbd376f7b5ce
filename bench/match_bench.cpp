// Matching one sample against 1,000 languages (the target is under 10 ms a
// match), by every method: once from the profiles as the window does it,
// table made per match, and once against a table made beforehand, as the
// CLI does for many samples. The languages are generated: their counts,
// entries and deviations vary, so every branch of the scoring is taken.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "profiles/match.h"
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
