// What the public classes of include/letterfreq/ hold: the library's own
// types behind them, and the ways the library's parts (and letterfreq-cli,
// which is built with the library) reach them. Never installed.
#pragma once

#include <memory>
#include <string>

#include "app/letter_profile.h"
#include "letterfreq/database.h"
#include "letterfreq/detector.h"
#include "letterfreq/sample.h"
#include "profiles/database_load.h"
#include "profiles/language_codes.h"
#include "profiles/methods.h"
#include "profiles/sample_features.h"

namespace letterfreq {

struct Sample::Data {
  LetterProfile profile;    // counted and ordered
  SampleFeatures features;  // every feature set counted
  std::string source;
};

struct Database::Data {
  std::string path;
  OpenOptions options;
  // Shared with the detectors made of it; a new one after each add.
  std::shared_ptr<const DatabaseLoad> loaded;
};

const Sample::Data& sampleData(const Sample& sample);
Sample sampleOf(std::unique_ptr<Sample::Data> data);
const std::shared_ptr<Database::Data>& databaseData(const Database& database);

Detector::Data& detectorData(const Detector& detector);
// The answer for a sample counted by letterfreq-cli's own readers: its
// 255 counts and the feature sets of Detector::method() (attached with
// SampleFeatures::attachFor).
Answer detectCounted(const Detector& detector, const int32_t* counts,
                     const SampleFeatures& features);

// Makes the weights of the feature set `method` ranks by (once per load,
// whatever the threads), which reads records that may turn out damaged:
// Error on `path` then.
void makeWeightsFor(const MatchMethod& method, const DatabaseLoad& loaded,
                    const std::string& path);

// The public form of a language's codes.
Guess guessOf(const std::string& language, const LanguageCodes& codes,
              double confidence);

}  // namespace letterfreq
