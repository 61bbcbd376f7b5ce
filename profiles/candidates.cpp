#include "profiles/candidates.h"

#include <cmath>
#include <limits>

#include "profiles/language_codes.h"
#include "profiles/likelihood_shares.h"

namespace letterfreq {

namespace {

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
    // again from the scores, so that a language far behind an excluded
    // one still gets its share
    sharesFromLikelihoods(ranking, 1.0);
  }
  if (limit != 0 && limit < kept) {
    ranking.languages.resize(limit);
    ranking.scores.resize(limit);
  }
}

}  // namespace letterfreq
