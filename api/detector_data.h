// What a letterfreq::Detector holds: the load it borrows from (shared
// with the Database it was made of), the core's detector over it, the
// candidates, each language's codes, and the room a text is counted in,
// kept from call to call. Calls take turns under `turn`.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "api/library_data.h"
#include "profiles/language_detector.h"
#include "profiles/match.h"
#include "profiles/methods.h"
#include "sample/counting_pass.h"

namespace letterfreq {

struct Detector::Data {
  Data(std::shared_ptr<const DatabaseLoad> load, std::string path);

  // The public answer for the core's.
  Answer answerOf(const Detection& found) const;
  LanguageCodes codesOf(const std::string& language) const;

  std::shared_ptr<const DatabaseLoad> loaded;
  std::string path;            // of the database, for errors
  LanguageDetector detector;   // borrows *loaded
  MatchTarget target;          // for rank by any method
  std::vector<bool> candidates;  // empty: every language
  std::vector<LanguageCodes> codes;  // of each language, in load order
  std::unordered_map<std::string, size_t> byName;  // first of each name

  std::mutex turn;
  // A text counted for detector.method().
  CountingPass pass;
  SampleFeatures features;
  LetterProfile text;
  Ranking ranking;
};

}  // namespace letterfreq
