#include "profiles/methods.h"

#include <cctype>
#include <string>

#include "profiles/ngram_match.h"

namespace letterfreq {

NgramScoring ngramScoringFor(size_t samples) {
  return samples > 1 ? NgramScoring::IN_LANES : NgramScoring::FROM_MODEL;
}

MatchTarget::MatchTarget(ProfileList languages, const NgramModel& ngrams,
                         NgramScoring ngramScoring)
    : languages_(languages), ngrams_(ngrams), ngramScoring_(ngramScoring) {}

const LanguageTable& MatchTarget::table() const {
  if (!table_) table_ = std::make_unique<LanguageTable>(languages_);
  return *table_;
}

const NgramLanes& MatchTarget::ngramLanes() const {
  if (!ngramLanes_) ngramLanes_ = std::make_unique<NgramLanes>(ngrams_);
  return *ngramLanes_;
}

const NgramLanes* MatchTarget::ngramLanesToScore() const {
  return ngramScoring_ == NgramScoring::IN_LANES ? &ngramLanes() : nullptr;
}

void rankByNgrams(const MatchTarget& target, const SampleCounts& sample,
                  size_t limit, Ranking& out) {
  // A sample counted without n-grams scores as one with none; the table
  // of zeros is made once, not for every sample.
  static const std::vector<uint32_t> none(NGRAM_BUCKETS, 0);
  rankSampleByNgrams(
      target.ngrams(), target.ngramLanesToScore(),
      sample.ngramCounts != nullptr ? sample.ngramCounts : none.data(),
      target.languages().size(), limit, out,
      sample.ngramCounts != nullptr ? sample.ngramTouched : TouchedBuckets{});
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

void rankByMethod(const MatchMethod& method, const MatchTarget& target,
                  const SampleCounts& sample, size_t limit, Ranking& out) {
  if (method.scoreCounts == nullptr) {
    method.rank(target, sample, limit, out);
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
