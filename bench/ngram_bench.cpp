// N-gram likelihood speed: matching one sample of 30, 100 and 400 bytes
// against 50 languages (the counting rule with its n-gram counter, the
// scores, the ranking and the bars; the target is under 100 microseconds at
// 400 bytes), making the weights of 50 languages as a load does, and the
// counting rule's throughput with and without the n-gram counter. The
// languages are generated text: each draws its words from its own skewed
// alphabet, so their n-gram counts differ as real languages' do.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "profiles/ngram_counter.h"
#include "profiles/ngram_match.h"
#include "profiles/ngram_model.h"
#include "profiles/ngram_record.h"
#include "sample/counting_rule.h"

namespace letterfreq {
namespace {

constexpr int LANGUAGES = 50;
constexpr int ENTRIES_PER_LANGUAGE = 4;

class Random {  // xorshift64: the same texts on every machine
 public:
  explicit Random(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint64_t next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return state_;
  }
  size_t below(size_t n) { return static_cast<size_t>(next() % n); }

 private:
  uint64_t state_;
};

// Text of `length` bytes in generated language `language`: words of 2 to 9
// letters from a 20-letter alphabet of its own, the early letters likelier.
std::string languageText(int language, size_t length, uint64_t seed) {
  Random pick(static_cast<uint64_t>(language) + 1000);
  std::string alphabet;
  for (int i = 0; i < 20; ++i) {
    alphabet.push_back(static_cast<char>('a' + pick.below(26)));
  }
  Random random(seed * 131 + static_cast<uint64_t>(language));
  std::string text;
  while (text.size() < length) {
    size_t letters = 2 + random.below(8);
    for (size_t i = 0; i < letters; ++i) {
      size_t a = random.below(20), b = random.below(20);
      text.push_back(alphabet[a < b ? a : b]);
    }
    text.push_back(random.below(12) == 0 ? '\n' : ' ');
  }
  text.resize(length);
  return text;
}

// The model a load makes from ENTRIES_PER_LANGUAGE stored entries of 20 KB
// per language.
struct Database {
  std::vector<std::vector<std::vector<uint8_t>>> records;  // [language][entry]
  NgramModel model;
};

std::vector<uint8_t> recordOf(const std::string& text) {
  NgramCounter counter;
  CountingRule rule(true);
  rule.feed(reinterpret_cast<const uint8_t*>(text.data()), text.size(),
            [&counter](uint8_t byte) { counter.add(byte); });
  counter.finish();
  return encodeNgramRecord(counter.counts());
}

NgramModel modelOf(const Database& db) {
  NgramModel model(LANGUAGES);
  NgramLanguageCounts counts;
  for (int e = 0; e < LANGUAGES; ++e) {
    counts.clear();
    for (const auto& record : db.records[static_cast<size_t>(e)]) {
      counts.addRecord(record.data(), record.size());
    }
    model.setLanguage(e, counts);
  }
  return model;
}

const Database& database() {
  static const Database db = [] {
    Database made;
    made.records.resize(LANGUAGES);
    for (int e = 0; e < LANGUAGES; ++e) {
      for (int k = 0; k < ENTRIES_PER_LANGUAGE; ++k) {
        made.records[static_cast<size_t>(e)].push_back(
            recordOf(languageText(e, 20000, static_cast<uint64_t>(k))));
      }
    }
    made.model = modelOf(made);
    return made;
  }();
  return db;
}

void BM_NgramMatchSample(benchmark::State& state) {
  const Database& db = database();
  const size_t length = static_cast<size_t>(state.range(0));
  std::vector<std::string> samples;
  for (int e = 0; e < LANGUAGES; ++e) {
    samples.push_back(languageText(e, length, 99));
  }
  NgramCounter counter;
  int32_t byteCounts[255];
  size_t next = 0, right = 0, matches = 0;
  for (auto _ : state) {
    const std::string& sample = samples[next];
    counter.reset();
    CountingRule rule(true);
    rule.feed(reinterpret_cast<const uint8_t*>(sample.data()), sample.size(),
              [&counter](uint8_t byte) { counter.add(byte); });
    counter.finish();
    rule.copyCountsTo(byteCounts);
    NgramMatch match = matchNgrams(db.model, counter.counts());
    benchmark::DoNotOptimize(match.ranking.data());
    right += match.ranking[0] == static_cast<int32_t>(next);
    ++matches;
    next = (next + 1) % samples.size();
  }
  state.counters["recognised"] =
      matches ? static_cast<double>(right) / static_cast<double>(matches) : 0;
}
BENCHMARK(BM_NgramMatchSample)
    ->Arg(30)
    ->Arg(100)
    ->Arg(400)
    ->Unit(benchmark::kMicrosecond);

// The weights of 50 languages from their entries' records, as a load makes
// them (the records already read).
void BM_NgramModelFromRecords(benchmark::State& state) {
  const Database& db = database();
  for (auto _ : state) {
    NgramModel model = modelOf(db);
    benchmark::DoNotOptimize(model.bucketRow(0));
  }
}
BENCHMARK(BM_NgramModelFromRecords)->Unit(benchmark::kMillisecond);

// The counting rule on 8 MiB of text in memory, plain and with the n-gram
// counter fed in the same pass.
std::vector<uint8_t> countingText() {
  std::string text;
  for (int e = 0; text.size() < (8u << 20); e = (e + 1) % LANGUAGES) {
    text += "<p class=\"x\">" + languageText(e, 4000, 7) + "&amp;</p>\r\n";
  }
  return std::vector<uint8_t>(text.begin(), text.end());
}

void BM_CountingRulePlain(benchmark::State& state) {
  const std::vector<uint8_t> text = countingText();
  int32_t counts[255];
  for (auto _ : state) {
    CountingRule rule(true);
    rule.feed(text.data(), text.size());
    rule.copyCountsTo(counts);
    benchmark::DoNotOptimize(counts);
  }
  state.SetBytesProcessed(
      static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_CountingRulePlain)->Unit(benchmark::kMillisecond);

void BM_CountingRuleWithNgrams(benchmark::State& state) {
  const std::vector<uint8_t> text = countingText();
  int32_t counts[255];
  NgramCounter counter;
  for (auto _ : state) {
    counter.reset();
    CountingRule rule(true);
    rule.feed(text.data(), text.size(),
              [&counter](uint8_t byte) { counter.add(byte); });
    counter.finish();
    rule.copyCountsTo(counts);
    benchmark::DoNotOptimize(counts);
    benchmark::DoNotOptimize(counter.counts());
  }
  state.SetBytesProcessed(
      static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_CountingRuleWithNgrams)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace letterfreq

BENCHMARK_MAIN();
