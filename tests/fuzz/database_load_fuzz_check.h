// One fuzz input taken as a whole database: loaded as "Open DB" loads it
// (the schema walk over languages, entries, their arrays and n-gram
// records of both kinds), then ranked by every method. The load must end in a result or
// a "!" text, its result must hang together, and the load over the file's
// bytes must equal the slow one that asks the record engine question by
// question. A failed check aborts, so libFuzzer reports it. Shared by the
// libFuzzer target and the replay test in the ordinary test suite.
#pragma once

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "db/record_file.h"
#include "db/record_snapshot.h"
#include "profiles/database_load.h"
#include "profiles/methods.h"
#include "tests/support/feature_samples.h"
#include "sample/ngram_counter.h"
#include "sample/word_ngram_counter.h"
#include "tests/fuzz/record_file_fuzz_check.h"
#include "tests/support/load_by_queries.h"

namespace letterfreq {
namespace fuzz {

inline std::string profileText(const LetterProfile& profile) {
  std::string text = profile.name + "#" + std::to_string(profile.recordId) +
                     " " + std::to_string(profile.totalCount) + "/" +
                     std::to_string(profile.usedCount) + ":";
  for (int32_t count : profile.counts) text += std::to_string(count) + ",";
  for (uint8_t value : profile.order) text += std::to_string(value) + ",";
  char number[32];
  for (float value : profile.stdDevs) {
    std::snprintf(number, sizeof number, "%a,", static_cast<double>(value));
    text += number;
  }
  return text + "\n";
}

// Everything a load hands on, as text, the entries' profiles read from
// the source it loaded; the weights are made here.
template <class Source>
std::string loadText(const DatabaseLoad& load, const Source& source) {
  std::string text = std::to_string(static_cast<int>(load.outcome)) + " " +
                     std::to_string(load.endLanguage) + " " +
                     std::to_string(load.endEntry) + "\n";
  for (const LetterProfile& profile : load.languageProfiles()) {
    text += profileText(profile);
  }
  for (size_t i = 0; i < load.languagesReached(); ++i) {
    const LoadedLanguage& language = load.languages[i];
    text += "M=" + std::to_string(language.entryCount) + "\n";
    for (const LoadedEntry& entry : language.entries) {
      text += std::to_string(entry.id) + " " + entry.name + " " +
              profileText(entryProfile(source, entry));
    }
  }
  text += profileText(load.totals);
  const NgramModel& model = ngramModel(load.features);
  if (model.carriesData()) {
    for (int language = 0; language < model.languageCount(); ++language) {
      for (int bucket = 0; bucket < NGRAM_BUCKETS; bucket += 97) {
        text += std::to_string(model.weight(bucket, language)) + ",";
      }
    }
  }
  return text;
}

inline void checkLoadShape(const DatabaseLoad& load) {
  check(load.languagesReached() <= load.languageProfiles().size(),
        "no more languages reached than there are");
  check(load.outcome != LoadOutcome::Complete ||
            load.languagesReached() == load.languageProfiles().size(),
        "a complete load reached every language");
  for (const FeatureSet& set : FEATURE_SETS) {
    const FeatureModel& model = load.features.of(set.code);
    check(model.languageCount() == 0 ||
              model.languageCount() ==
                  static_cast<int>(load.languageProfiles().size()),
          "one model row per language");
  }
}

// Every method over the load, for a sample counted from the same bytes.
inline void checkEveryMethod(const DatabaseLoad& load, const uint8_t* data,
                             size_t size) {
  LetterProfile sample;
  NgramCounter ngrams;
  WordNgramCounter words;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] != 0) ++sample.counts[data[i] - 1];
  }
  ngrams.add(data, size);
  ngrams.finish();
  words.add(data, size);
  words.finish();
  SampleCounts counts = withNgrams(sample.counts.data(), ngrams.counts());
  counts.features[WORD_NGRAM_FEATURES] = words.featureCounts();
  const MatchTarget target(load.languageProfiles(), load.features);
  for (const MatchMethod& method : MATCH_METHODS) {
    const auto rows = matchByMethod(method, target, counts);
    check(rows.size() == load.languageProfiles().size(),
          "every method ranks every language");
  }
}

// The load over the bytes in memory; "error !..." when it throws.
inline std::string loadAnswer(const std::vector<uint8_t>& bytes,
                              const uint8_t* data, size_t size) {
  return answer([&] {
    const RecordSnapshot snapshot(bytes);
    const DatabaseLoad load = loadDatabase(snapshot, {});
    checkLoadShape(load);
    checkEveryMethod(load, data, size);
    return loadText(load, snapshot);
  });
}

// The slow load, question by question, of the same bytes in a file.
inline std::string slowLoadAnswer(const std::string& fileName) {
  return answer([&] {
    const RecordFile file(fileName);
    return loadText(loadDatabaseByQueries(file, {}), file);
  });
}

}  // namespace fuzz
}  // namespace letterfreq
