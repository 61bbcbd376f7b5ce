// Restricting the languages a match may answer (--only, --ignore): the
// languages named by words (names or codes, profiles/language_codes.h) and
// a ranking cut down to them. Shares are then shares among the candidates,
// as if the database held no other language.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "profiles/database_load.h"
#include "profiles/language_codes.h"
#include "profiles/match.h"
#include "profiles/methods.h"

namespace letterfreq {

// The codes of each language of a load, in its order.
std::vector<LanguageCodes> codesOfLanguages(const DatabaseLoad& loaded);

// One flag per language of `loaded`: true for a candidate. Every language
// when `only` is empty, else those a word of `only` names; less those a
// word of `ignore` names. The words that name no language go to `unknown`.
std::vector<bool> candidateLanguages(const DatabaseLoad& loaded,
                                     const std::vector<std::string>& only,
                                     const std::vector<std::string>& ignore,
                                     std::vector<std::string>& unknown);

// Keeps the candidates of a full ranking (made with no limit), in their
// order, the first `limit` of them (all for 0). For a method whose scores
// are shares, each becomes its share among the candidates.
void keepCandidates(const std::vector<bool>& candidates,
                    const MatchMethod& method, size_t limit, Ranking& ranking);

}  // namespace letterfreq
