#include <algorithm>
#include <utility>

#include "api/detector_data.h"
#include "letterfreq/error.h"
#include "profiles/candidates.h"

namespace letterfreq {

namespace {

std::vector<bool> checkedCandidates(const Database& database,
                                    const Candidates& candidates) {
  const Database::Data& data = *databaseData(database);
  std::vector<std::string> unknown;
  std::vector<bool> flags = candidateLanguages(
      *data.loaded, candidates.only, candidates.ignore, unknown);
  if (!unknown.empty()) {
    throw Error(data.path, "no language of the database is named or coded \"" +
                               unknown.front() + "\"");
  }
  if (std::find(flags.begin(), flags.end(), true) == flags.end()) {
    throw Error(data.path, "the candidates leave no language");
  }
  return flags;
}

const MatchMethod& methodNamed(const std::string& text,
                               const MatchMethod& otherwise) {
  if (text.empty()) return otherwise;
  const MatchMethod* method = findMethod(methodCodeFromText(text));
  if (method == nullptr) throw Error("", "no method is named \"" + text + "\"");
  return *method;
}

}  // namespace

Detector::Data::Data(std::shared_ptr<const DatabaseLoad> load,
                     std::string databasePath)
    : loaded(std::move(load)),
      path(std::move(databasePath)),
      detector(*loaded),
      target(loaded->languageProfiles(), loaded->features),
      codes(codesOfLanguages(*loaded)) {
  for (size_t i = 0; i < loaded->languages.size(); ++i) {
    byName.emplace(loaded->languages[i].profile.name, i);
  }
  features.attachFor(detector.method(), pass);
  makeWeightsFor(detector.method(), *loaded, path);
}

LanguageCodes Detector::Data::codesOf(const std::string& language) const {
  const auto found = byName.find(language);
  return found == byName.end() ? LanguageCodes{} : codes[found->second];
}

Answer Detector::Data::answerOf(const Detection& found) const {
  Answer answer;
  answer.confidence = found.confidence;
  answer.orLanguage = found.orLanguage;
  answer.reason = found.reason;
  if (found.known()) {
    const LanguageCodes languageCodes = codesOf(found.language);
    answer.language = found.language;
    answer.code = languageCodes.tag;
    answer.iso6393 = languageCodes.iso6393;
  }
  for (const LanguageGuess& guess : found.alternatives) {
    answer.alternatives.push_back(
        guessOf(guess.language, codesOf(guess.language), guess.confidence));
  }
  return answer;
}

Detector::Detector() : Detector(Database::starter()) {}

Detector::Detector(const Database& database, const Candidates& candidates,
                   const Thresholds& thresholds)
    : data_(std::make_unique<Data>(databaseData(database)->loaded,
                                   database.path())) {
  data_->detector.setRule(
      {static_cast<float>(thresholds.minConfidence), thresholds.minLength});
  if (!candidates.only.empty() || !candidates.ignore.empty()) {
    data_->candidates = checkedCandidates(database, candidates);
    data_->detector.restrictTo(data_->candidates);
  }
}

Detector::Detector(Detector&& other) noexcept = default;
Detector& Detector::operator=(Detector&& other) noexcept = default;
Detector::~Detector() = default;

Detector::Data& detectorData(const Detector& detector) {
  return *detector.data_;
}

Answer detectCounted(const Detector& detector, const int32_t* counts,
                     const SampleFeatures& features) {
  Detector::Data& data = detectorData(detector);
  const std::lock_guard<std::mutex> turn(data.turn);
  return data.answerOf(data.detector.detect(counts, features));
}

Answer Detector::detect(std::string_view text) const {
  const std::lock_guard<std::mutex> turn(data_->turn);
  data_->pass.count(reinterpret_cast<const uint8_t*>(text.data()),
                    text.size(), data_->text.counts.data());
  return data_->answerOf(
      data_->detector.detect(data_->text.counts.data(), data_->features));
}

Answer Detector::detect(const Sample& sample) const {
  const Sample::Data& counted = sampleData(sample);
  return detectCounted(*this, counted.profile.counts.data(),
                       counted.features);
}

std::vector<Score> Detector::rank(const Sample& sample,
                                  const std::string& method) const {
  const MatchMethod& by = methodNamed(method, data_->detector.method());
  const Sample::Data& counted = sampleData(sample);
  makeWeightsFor(by, *data_->loaded, data_->path);
  const std::lock_guard<std::mutex> turn(data_->turn);
  Ranking& ranking = data_->ranking;
  rankByMethod(by, data_->target,
               counted.features.with(counted.profile.counts.data()), 0,
               ranking);
  if (!data_->candidates.empty()) {
    keepCandidates(data_->candidates, by, 0, ranking);
  }
  std::vector<Score> scores;
  for (size_t r = 0; r < ranking.languages.size(); ++r) {
    const size_t language = static_cast<size_t>(ranking.languages[r]);
    scores.push_back({data_->loaded->languages[language].profile.name,
                      data_->codes[language].tag, ranking.scores[r]});
  }
  return scores;
}

std::vector<Score> Detector::rank(std::string_view text,
                                  const std::string& method) const {
  return rank(Sample::ofText(text), method);
}

std::string Detector::method() const { return data_->detector.method().name; }

std::vector<std::string> Detector::methods() {
  std::vector<std::string> names;
  for (const MatchMethod& method : MATCH_METHODS) names.push_back(method.name);
  return names;
}

}  // namespace letterfreq
