#include "profiles/methods.h"

#include <cctype>
#include <string>


namespace letterfreq {

MatchTarget::MatchTarget(ProfileList languages, const FeatureModels& features)
    : languages_(languages), features_(features) {}

const LanguageTable& MatchTarget::table() const {
  if (!table_) table_ = std::make_unique<LanguageTable>(languages_);
  return *table_;
}

FeatureMatcher& MatchTarget::matcher(FeatureSetCode code) const {
  std::unique_ptr<FeatureMatcher>& matcher =
      matchers_[static_cast<size_t>(code)];
  if (!matcher) matcher = featureSet(code).makeMatcher(features_.of(code));
  return *matcher;
}

const MatchMethod* findMethod(int code) {
  for (const MatchMethod& method : MATCH_METHODS) {
    if (method.code == code) return &method;
  }
  return nullptr;
}

const char* methodName(int code) {
  const MatchMethod* method = findMethod(code);
  return method == nullptr ? nullptr : method->name;
}

namespace {

bool sameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if (std::tolower(x) != std::tolower(y)) return false;
  }
  return true;
}

}  // namespace

int methodCodeFromText(std::string_view text) {
  for (const MatchMethod& method : MATCH_METHODS) {
    if (sameIgnoringCase(method.name, text) ||
        sameIgnoringCase(method.shortName, text)) {
      return method.code;
    }
  }
  // The code as written, without leading zeros.
  for (const MatchMethod& method : MATCH_METHODS) {
    if (std::to_string(method.code) == text) return method.code;
  }
  return 0;
}

void rankByMethod(const MatchMethod& method, const MatchTarget& target,
                  const SampleCounts& sample, size_t limit, Ranking& out) {
  if (method.scoreCounts == nullptr) {
    const auto set = static_cast<size_t>(method.features);
    target.matcher(method.features)
        .rank(sample.features[set], target.languages().size(), limit, out);
    return;
  }
  method.scoreCounts(sample.counts, target.table(), out.everyScore);
  rankScores(out.everyScore, limit, out);
}

std::vector<MatchRow> matchByMethod(const MatchMethod& method,
                                    const MatchTarget& target,
                                    const SampleCounts& sample) {
  Ranking ranking;
  rankByMethod(method, target, sample, 0, ranking);
  return namedRows(ranking, target.languages());
}

}  // namespace letterfreq
