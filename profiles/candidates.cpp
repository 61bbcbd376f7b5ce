#include "profiles/candidates.h"

#include <cmath>
#include <limits>

#include "profiles/language_codes.h"

namespace letterfreq {

namespace {

// An n-gram share is exp((s - s_best) / 1000) over the sum of the same
// terms (profiles/ngram_match.h).
constexpr double NGRAM_SHARE_SCALE = 1000.0;

bool namedByAny(const std::vector<std::string>& words, const std::string& name,
                const LanguageCodes& codes) {
  for (const std::string& word : words) {
    if (namesLanguage(word, name, codes)) return true;
  }
  return false;
}

void noteUnknownWords(const std::vector<std::string>& words,
                      const DatabaseLoad& loaded,
                      const std::vector<LanguageCodes>& codes,
                      std::vector<std::string>& unknown) {
  for (const std::string& word : words) {
    bool named = false;
    for (size_t i = 0; i < loaded.languages.size() && !named; ++i) {
      named = namesLanguage(word, loaded.languages[i].profile.name, codes[i]);
    }
    if (!named) unknown.push_back(word);
  }
}

// The candidates' shares again from the sums the n-gram ranking left, so
// that a language far behind an excluded one still gets its share.
void sharesFromSums(Ranking& ranking) {
  const std::vector<int64_t>& sums = ranking.ngramSums;
  int64_t best = std::numeric_limits<int64_t>::min();
  for (size_t r = 0; r < ranking.languages.size(); ++r) {
    if (std::isnan(ranking.scores[r])) continue;  // no n-gram data
    best = std::max(best, sums[static_cast<size_t>(ranking.languages[r])]);
  }
  double total = 0.0;
  for (size_t r = 0; r < ranking.languages.size(); ++r) {
    if (std::isnan(ranking.scores[r])) continue;
    const int64_t sum = sums[static_cast<size_t>(ranking.languages[r])];
    total += std::exp(static_cast<double>(sum - best) / NGRAM_SHARE_SCALE);
  }
  for (size_t r = 0; r < ranking.languages.size(); ++r) {
    if (std::isnan(ranking.scores[r])) continue;
    const int64_t sum = sums[static_cast<size_t>(ranking.languages[r])];
    ranking.scores[r] = static_cast<float>(
        std::exp(static_cast<double>(sum - best) / NGRAM_SHARE_SCALE) / total);
  }
}

}  // namespace

std::vector<LanguageCodes> codesOfLanguages(const DatabaseLoad& loaded) {
  std::vector<LanguageCodes> codes;
  codes.reserve(loaded.languages.size());
  for (const LoadedLanguage& language : loaded.languages) {
    codes.push_back(languageCodes(language.profile.name, language.code));
  }
  return codes;
}

std::vector<bool> candidateLanguages(const DatabaseLoad& loaded,
                                     const std::vector<std::string>& only,
                                     const std::vector<std::string>& ignore,
                                     std::vector<std::string>& unknown) {
  const std::vector<LanguageCodes> codes = codesOfLanguages(loaded);
  noteUnknownWords(only, loaded, codes, unknown);
  noteUnknownWords(ignore, loaded, codes, unknown);
  std::vector<bool> candidates(loaded.languages.size());
  for (size_t i = 0; i < candidates.size(); ++i) {
    const std::string& name = loaded.languages[i].profile.name;
    candidates[i] = (only.empty() || namedByAny(only, name, codes[i])) &&
                    !namedByAny(ignore, name, codes[i]);
  }
  return candidates;
}

void keepCandidates(const std::vector<bool>& candidates,
                    const MatchMethod& method, size_t limit, Ranking& ranking) {
  size_t kept = 0;
  for (size_t r = 0; r < ranking.languages.size(); ++r) {
    const auto position = static_cast<size_t>(ranking.languages[r]);
    if (position >= candidates.size() || !candidates[position]) continue;
    ranking.languages[kept] = ranking.languages[r];
    ranking.scores[kept] = ranking.scores[r];
    ++kept;
  }
  ranking.languages.resize(kept);
  ranking.scores.resize(kept);
  if (method.scoresAreShares &&
      ranking.ngramSums.size() >= candidates.size()) {
    sharesFromSums(ranking);
  }
  if (limit != 0 && limit < kept) {
    ranking.languages.resize(limit);
    ranking.scores.resize(limit);
  }
}

}  // namespace letterfreq
