// N-gram likelihood speed: matching one sample of 30, 100 and 400 bytes
// against 50 languages (the counting rule with its n-gram counter, the
// scores, the ranking and the bars, one sample at a time; a batch of
// samples, file reading included, has its target of at most 15
// microseconds a sample at 400 bytes in bench/match_batch_bench.cpp,
// BM_Ngrams), making the weights of 50 languages from their lists, the
// counting rule's throughput with and without the n-gram counter, and the
// load of a 1,000-entry database with n-gram lists against the same
// database without them (the target: at most 1.5 times as long; see
// BM_LoadRatio1000), with what the first match by n-grams adds to it, as
// the load leaves the lists to then. The languages are generated text:
// each draws its words from its own skewed alphabet, so their n-gram
// counts differ as real languages' do.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_random.h"
#include "bench/generated_database.h"
#include "db/record_file.h"
#include "db/record_snapshot.h"
#include "profiles/database_load.h"
#include "profiles/entry_add.h"
#include "profiles/ngram_match.h"
#include "profiles/ngram_model.h"
#include "profiles/ngram_record.h"
#include "sample/counting_rule.h"
#include "sample/ngram_counter.h"
#include "tests/support/feature_samples.h"

namespace letterfreq {
namespace {

constexpr int LANGUAGES = 50;
constexpr int ENTRIES_PER_LANGUAGE = 4;

using Random = bench::XorShift64;

// Text of `length` bytes in generated language `language`: words of 2 to 9
// letters from a 20-letter alphabet of its own, the early letters likelier.
std::string languageText(int language, size_t length, uint64_t seed) {
  Random pick = Random::seeded(static_cast<uint64_t>(language) + 1000);
  std::string alphabet;
  for (int i = 0; i < 20; ++i) {
    alphabet.push_back(static_cast<char>('a' + pick.below(26)));
  }
  Random random = Random::seeded(seed * 131 + static_cast<uint64_t>(language));
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
  int32_t counts[255];
  CountingPass(counter).count(reinterpret_cast<const uint8_t*>(text.data()),
                              text.size(), counts);
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
  CountingPass pass(counter);
  int32_t byteCounts[255];
  size_t next = 0, right = 0, matches = 0;
  for (auto _ : state) {
    const std::string& sample = samples[next];
    pass.count(reinterpret_cast<const uint8_t*>(sample.data()), sample.size(),
               byteCounts);
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
    benchmark::DoNotOptimize(model.negatedRow(0));
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
  CountingPass pass(counter);
  for (auto _ : state) {
    pass.count(text.data(), text.size(), counts);
    benchmark::DoNotOptimize(counts);
    benchmark::DoNotOptimize(counter.counts());
  }
  state.SetBytesProcessed(
      static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_CountingRuleWithNgrams)->Unit(benchmark::kMillisecond);

// Two databases of the same 1,000 entries (25 languages, 40 entries of
// 3,000 bytes each), one of them with n-gram lists; removed at exit.
class LoadDatabases {
 public:
  static constexpr int ENTRIES = 1000;
  static constexpr int LOAD_LANGUAGES = 25;

  LoadDatabases() {
    const std::string stem =
        (std::filesystem::temp_directory_path() /
         ("letterfreq-ngram-bench-" + std::to_string(getpid())))
            .string();
    paths_[0] = stem + "-plain.db";
    paths_[1] = stem + "-ngrams.db";
    for (int withLists = 0; withLists < 2; ++withLists) {
      bench::removeDatabaseFiles(paths_[withLists]);
      RecordFile database(paths_[withLists]);
      std::vector<LetterProfile> samples(ENTRIES);
      std::vector<FeatureBlocks> lists(ENTRIES);
      std::vector<NewEntry> batch;
      for (int e = 0; e < ENTRIES; ++e) {
        const int language = e % LOAD_LANGUAGES;
        const std::string text =
            languageText(language, 3000, static_cast<uint64_t>(e));
        LetterProfile& sample = samples[e];
        NgramCounter ngrams;
        CountingPass(ngrams).count(
            reinterpret_cast<const uint8_t*>(text.data()), text.size(),
            sample.counts.data());
        sample.sampleCount = 1;
        sample.sortOrder();
        lists[e] = ngramBlocks(ngrams.counts());
        batch.push_back({{"Language " + std::to_string(language), "",
                          "text-" + std::to_string(e) + ".txt"},
                         sample,
                         &lists[e]});
      }
      database.append_records(
          entryBatchRecords({}, batch, database.next_record_id(),
                            ngramsAsked(withLists))
              .records);
    }
  }
  ~LoadDatabases() {
    for (const std::string& path : paths_) bench::removeDatabaseFiles(path);
  }
  const std::string& path(bool withLists) const { return paths_[withLists]; }

 private:
  std::string paths_[2];
};

const LoadDatabases& loadDatabases() {
  static const LoadDatabases databases;
  return databases;
}

void BM_LoadDatabase1000(benchmark::State& state) {
  const bool withLists = state.range(0) != 0;
  const std::string& path = loadDatabases().path(withLists);
  const RecordFile database(path);
  for (auto _ : state) {
    DatabaseLoad loaded = loadDatabase(database, {});
    if (ngramModel(loaded.features).carriesData() != withLists) {
      state.SkipWithError("unexpected n-gram data");
      break;
    }
    benchmark::DoNotOptimize(loaded.languages.data());
  }
  state.counters["fileMB"] =
      static_cast<double>(std::filesystem::file_size(path)) / 1e6;
  state.SetLabel(withLists ? "with n-gram lists, weights left for later"
                           : "without n-gram lists");
}
BENCHMARK(BM_LoadDatabase1000)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The weights a load leaves for the first match by n-grams: reading the
// lists of the file with lists again, summing them and making the weights
// of its 25 languages (the load itself not timed).
void BM_NgramWeightsAfterLoad(benchmark::State& state) {
  const RecordFile database(loadDatabases().path(true));
  for (auto _ : state) {
    state.PauseTiming();
    DatabaseLoad loaded = loadDatabase(database, {});
    state.ResumeTiming();
    ngramModel(loaded.features).makeWeights();
    benchmark::DoNotOptimize(ngramModel(loaded.features).negatedRow(0));
  }
}
BENCHMARK(BM_NgramWeightsAfterLoad)->Unit(benchmark::kMillisecond);

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

// The two loads one after the other in each step, so that both meet the
// same machine, reported as medians: withoutMs, withMs, their ratio (the
// target: at most 1.5), weightsMs, what the first match by n-grams adds
// to the load with lists, and the ratio with that included.
void BM_LoadRatio1000(benchmark::State& state) {
  const RecordFile plain(loadDatabases().path(false));
  const RecordFile lists(loadDatabases().path(true));
  std::vector<double> without, with, weights;
  using Clock = std::chrono::steady_clock;
  auto msSince = [](Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start)
        .count();
  };
  for (auto _ : state) {
    Clock::time_point start = Clock::now();
    DatabaseLoad a = loadDatabase(plain, {});
    without.push_back(msSince(start));
    start = Clock::now();
    DatabaseLoad b = loadDatabase(lists, {});
    with.push_back(msSince(start));
    start = Clock::now();
    ngramModel(b.features).makeWeights();
    weights.push_back(msSince(start));
    benchmark::DoNotOptimize(a.languages.data());
    benchmark::DoNotOptimize(ngramModel(b.features).negatedRow(0));
  }
  state.counters["withoutMs"] = median(without);
  state.counters["withMs"] = median(with);
  state.counters["ratio"] = median(with) / median(without);
  state.counters["weightsMs"] = median(weights);
  state.counters["ratioWithWeights"] =
      (median(with) + median(weights)) / median(without);
}
BENCHMARK(BM_LoadRatio1000)->Unit(benchmark::kMillisecond);

// Only reading and indexing the same two files, which every load does
// first: the part of the difference that comes from the larger file.
void BM_ReadDatabase1000(benchmark::State& state) {
  const bool withLists = state.range(0) != 0;
  const RecordFile database(loadDatabases().path(withLists));
  for (auto _ : state) {
    const RecordSnapshot snapshot = database.snapshot();
    benchmark::DoNotOptimize(snapshot.bytes().data());
  }
  state.SetLabel(withLists ? "with n-gram lists" : "without n-gram lists");
}
BENCHMARK(BM_ReadDatabase1000)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace letterfreq

BENCHMARK_MAIN();
