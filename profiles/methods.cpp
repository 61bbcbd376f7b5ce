#include "profiles/methods.h"

#include <cctype>
#include <string>

#include "profiles/ngram_match.h"

namespace letterfreq {

MatchTarget::MatchTarget(const std::vector<LetterProfile>& languages,
                         const NgramModel& ngrams)
    : languages_(languages), ngrams_(ngrams) {}

const LanguageTable& MatchTarget::table() const {
  if (!table_) table_ = std::make_unique<LanguageTable>(languages_);
  return *table_;
}

std::vector<MatchRow> rankByNgrams(const MatchTarget& target,
                                   const SampleCounts& sample) {
  if (sample.ngramCounts != nullptr) {
    return matchSampleByNgrams(target.ngrams(), sample.ngramCounts,
                               target.languages());
  }
  const std::vector<uint32_t> none(NGRAM_BUCKETS, 0);
  return matchSampleByNgrams(target.ngrams(), none.data(),
                             target.languages());
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
    if (sameIgnoringCase(method.name, text)) return method.code;
  }
  // The code as written, without leading zeros.
  for (const MatchMethod& method : MATCH_METHODS) {
    if (std::to_string(method.code) == text) return method.code;
  }
  return 0;
}

std::vector<MatchRow> matchByMethod(const MatchMethod& method,
                                    const MatchTarget& target,
                                    const SampleCounts& sample) {
  if (method.scoreCounts == nullptr) return method.rank(target, sample);
  std::vector<float> scores;
  method.scoreCounts(sample.counts, target.table(), scores);
  return rankResults(scores, target.languages());
}

}  // namespace letterfreq
