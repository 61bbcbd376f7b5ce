#include "profiles/match.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "profiles/match_lanes.h"
#include "profiles/match_plain.h"
#include "profiles/match_steps.h"
#include "profiles/methods.h"

namespace letterfreq {

namespace {

using match_steps::BLOCK_VALUES;
using match_steps::LANES;
using match_steps::sampleFrequencies;
using match_steps::sumOfCounts;

}  // namespace

// The lanes where this processor runs them, else the plain scoring.
void scoreDifference(const int32_t* sampleCounts, const LanguageTable& table,
                     std::vector<float>& scores) {
  const match_lanes::Scorers* lanes = match_lanes::avx2Scorers();
  if (lanes == nullptr) {
    return plain::scoreDifference(sampleCounts, table, scores);
  }
  lanes->difference(sampleFrequencies(sampleCounts).data(), table, scores);
}

void scoreDeviations(const int32_t* sampleCounts, const LanguageTable& table,
                     int k, std::vector<float>& scores) {
  const match_lanes::Scorers* lanes = match_lanes::avx2Scorers();
  if (lanes == nullptr) {
    return plain::scoreDeviations(sampleCounts, table, k, scores);
  }
  lanes->deviations(sampleFrequencies(sampleCounts).data(), table, k, scores);
}

void scoreTendencyPull(const int32_t* sampleCounts, const LanguageTable& table,
                       std::vector<float>& scores) {
  const match_lanes::Scorers* lanes = match_lanes::avx2Scorers();
  if (lanes == nullptr) {
    return plain::scoreTendencyPull(sampleCounts, table, scores);
  }
  lanes->tendencyPull(sampleFrequencies(sampleCounts).data(), table, scores);
}

LanguageTable::LanguageTable(ProfileList languages)
    : size(static_cast<int>(languages.size())),
      blocks((size + LANES - 1) / LANES),
      freqs(size_t{1} * blocks * BLOCK_VALUES, 0.0f),
      weightedFreqs(freqs.size(), 0.0f),
      stdDevs(freqs.size(), 0.0f),
      entries(size_t{1} * blocks * LANES, 0.0f),
      entriesPlusOne(entries.size(), 1.0f) {
  for (int e = 0; e < size; ++e) {
    const LetterProfile& language = languages[e];
    const float total = static_cast<float>(sumOfCounts(language.counts.data()));
    // n + 1 in 64 bits: no wrap for a count of entries at the int limit.
    const float n = static_cast<float>(language.sampleCount);
    const float nPlusOne =
        static_cast<float>(int64_t{language.sampleCount} + 1);
    const size_t lanes = size_t{1} * (e / LANES) * LANES + e % LANES;
    entries[lanes] = n;
    entriesPlusOne[lanes] = nPlusOne;
    const size_t start = size_t{1} * (e / LANES) * BLOCK_VALUES + e % LANES;
    for (int b = 0; b < PROFILE_SLOTS; ++b) {
      const size_t i = start + size_t{1} * b * LANES;
      const float p = static_cast<float>(language.counts[b]) / total;
      freqs[i] = p;
      weightedFreqs[i] = n * p;
      stdDevs[i] = language.stdDevs[b];
    }
  }
}

bool matchScores(int methodCode, const int32_t* sampleCounts,
                 const LanguageTable& languages, std::vector<float>& scores) {
  const MatchMethod* method = findMethod(methodCode);
  if (method == nullptr || method->scoreCounts == nullptr) {
    scores.clear();
    return false;
  }
  method->scoreCounts(sampleCounts, languages, scores);
  return true;
}

namespace {

// A score as an unsigned key that rises as the score falls: both zeros
// alike, every NaN last.
inline uint32_t fallingKey(float score) {
  if (std::isnan(score)) return UINT32_MAX;
  if (score == 0.0f) score = 0.0f;  // -0 ranks as +0
  uint32_t bits;
  std::memcpy(&bits, &score, sizeof bits);
  // Rising with the score: negatives reversed below the positives.
  const uint32_t rising = (bits & 0x80000000u) ? ~bits : bits | 0x80000000u;
  return ~rising;
}

// With the language's position below it, one key per language orders them
// as a stable sort by falling score does, and keys compare in one
// instruction.
inline uint64_t rankKey(float score, size_t position) {
  return (uint64_t{fallingKey(score)} << 32) | position;
}

// The first `kept` places, from keys made by rankKey: one pass for the
// first alone, a partial sort for a few, a sort for most.
void sortedRanking(const std::vector<float>& scores, size_t kept,
                   Ranking& out) {
  const size_t n = scores.size();
  std::vector<uint64_t>& keys = out.keys;
  if (kept == 1) {
    uint64_t least = UINT64_MAX;
    for (size_t e = 0; e < n; ++e) {
      least = std::min(least, rankKey(scores[e], e));
    }
    keys.assign(1, least);
  } else {
    keys.resize(n);
    for (size_t e = 0; e < n; ++e) keys[e] = rankKey(scores[e], e);
    if (kept * 4 < n) {
      std::partial_sort(keys.begin(), keys.begin() + kept, keys.end());
    } else {
      std::sort(keys.begin(), keys.end());
    }
  }
  for (size_t r = 0; r < kept; ++r) {
    out.languages[r] = static_cast<int32_t>(keys[r] & UINT32_MAX);
  }
}

}  // namespace

void rankScores(const std::vector<float>& scores, size_t limit, Ranking& out) {
  const size_t n = scores.size();
  const size_t kept = limit == 0 ? n : std::min(limit, n);
  out.languages.resize(kept);
  sortedRanking(scores, kept, out);
  out.scores.resize(kept);
  for (size_t r = 0; r < kept; ++r) out.scores[r] = scores[out.languages[r]];
}

std::vector<MatchRow> namedRows(const Ranking& ranking,
                                ProfileList languages) {
  std::vector<MatchRow> rows(ranking.languages.size());
  for (size_t r = 0; r < rows.size(); ++r) {
    const int32_t e = ranking.languages[r];
    rows[r].language = e;
    if (static_cast<size_t>(e) < languages.size()) {
      rows[r].name = languages[e].name;
      rows[r].recordId = languages[e].recordId;
    }
    rows[r].score = ranking.scores[r];
  }
  return rows;
}

std::vector<MatchRow> rankResults(const std::vector<float>& scores,
                                  ProfileList languages) {
  Ranking ranking;
  rankScores(scores, 0, ranking);
  return namedRows(ranking, languages);
}

std::vector<MatchRow> matchSample(int methodCode, const int32_t* sampleCounts,
                                  const LanguageTable& table,
                                  ProfileList languages) {
  std::vector<float> scores;
  if (!matchScores(methodCode, sampleCounts, table, scores)) return {};
  return rankResults(scores, languages);
}

std::vector<MatchRow> matchSample(int methodCode, const int32_t* sampleCounts,
                                  ProfileList languages) {
  const MatchMethod* method = findMethod(methodCode);
  if (method == nullptr || method->scoreCounts == nullptr) return {};
  return matchSample(methodCode, sampleCounts, LanguageTable(languages),
                     languages);
}

}  // namespace letterfreq
