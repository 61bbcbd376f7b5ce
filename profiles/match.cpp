#include "profiles/match.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "profiles/match_lanes.h"
#include "profiles/match_steps.h"
#include "profiles/methods.h"

namespace letterfreq {

namespace {

using match_steps::BLOCK_VALUES;
using match_steps::LANES;
using match_steps::ONE_BYTE_SHARE;
using match_steps::sampleFrequencies;
using match_steps::storeBlock;
using match_steps::sumOfCounts;

// rangesOverlap(a, ea, b, 0), written out so that it can be inlined into
// the scoring loop; every bound and comparison is the same.
inline bool bandHolds(float a, float ea, float b) {
  const float loA = a - std::fabs(ea);
  const float hiA = a + std::fabs(ea);
  const float loB = b - 0.0f;
  const float hiB = b + 0.0f;
  // Bitwise, not short-circuit: the same truth value, and no branches, so
  // the lanes of a block are compared together.
  return ((loB <= loA) & (loA <= hiB)) | ((loA <= loB) & (loB <= hiA));
}

// The plain scorings: the oracle of the lanes.
void plainDifference(const int32_t* sampleCounts, const LanguageTable& table,
                     std::vector<float>& scores) {
  const auto q = sampleFrequencies(sampleCounts);
  scores.assign(table.size, 0.0f);
  for (int block = 0; block < table.blocks; ++block) {
    const float* p = table.freqs.data() + size_t{1} * block * BLOCK_VALUES;
    float sums[LANES] = {};
    for (int b = 0; b < PROFILE_SLOTS; ++b) {
      const float qb = q[b];
      for (int lane = 0; lane < LANES; ++lane) {
        sums[lane] += std::fabs(qb - p[b * LANES + lane]);
      }
    }
    storeBlock(sums, block, true, scores);
  }
}

void plainDeviations(const int32_t* sampleCounts, const LanguageTable& table,
                     int k, std::vector<float>& scores) {
  const auto q = sampleFrequencies(sampleCounts);
  const float kf = static_cast<float>(k);
  scores.assign(table.size, 0.0f);
  for (int block = 0; block < table.blocks; ++block) {
    const size_t start = size_t{1} * block * BLOCK_VALUES;
    const float* p = table.freqs.data() + start;
    const float* sd = table.stdDevs.data() + start;
    float sums[LANES] = {};
    for (int b = 0; b < PROFILE_SLOTS; ++b) {
      const float qb = q[b];
      for (int lane = 0; lane < LANES; ++lane) {
        const int i = b * LANES + lane;
        const float w = kf * sd[i];
        // Adding 0 leaves a sum unchanged, so the sum needs no branch.
        sums[lane] += bandHolds(p[i], w, qb) ? ONE_BYTE_SHARE : 0.0f;
      }
    }
    storeBlock(sums, block, false, scores);
  }
}

void plainTendencyPull(const int32_t* sampleCounts, const LanguageTable& table,
                       std::vector<float>& scores) {
  const auto q = sampleFrequencies(sampleCounts);
  scores.assign(table.size, 0.0f);
  for (int block = 0; block < table.blocks; ++block) {
    const size_t start = size_t{1} * block * BLOCK_VALUES;
    const float* p = table.freqs.data() + start;
    const float* np = table.weightedFreqs.data() + start;
    const float* n1 = table.entriesPlusOne.data() + size_t{1} * block * LANES;
    float sums[LANES] = {};
    for (int b = 0; b < PROFILE_SLOTS; ++b) {
      const float qb = q[b];
      for (int lane = 0; lane < LANES; ++lane) {
        const int i = b * LANES + lane;
        // n x p + q rounded to a float, then divided and rounded again.
        const float pulled = np[i] + qb;
        const float m = pulled / n1[lane];
        sums[lane] += 2.0f * std::fabs(p[i] - m);
      }
    }
    storeBlock(sums, block, true, scores);
  }
}

// The scorers of `lanes`, falling back from WIDE to BASIC to null (the
// plain scoring) where the lane set is not built or not run here.
const match_lanes::Scorers* scorersFor(MatchLanes lanes) {
  static const match_lanes::Scorers wide = match_lanes::wideScorers();
  static const match_lanes::Scorers basic = match_lanes::basicScorers();
  if (lanes == MatchLanes::WIDE && wide.difference != nullptr) return &wide;
  if (lanes != MatchLanes::PLAIN && basic.difference != nullptr) return &basic;
  return nullptr;
}

}  // namespace

MatchLanes bestMatchLanes() {
  static const MatchLanes best =
      match_lanes::wideScorers().difference != nullptr ? MatchLanes::WIDE
                                                       : MatchLanes::BASIC;
  return best;
}

void scoreDifference(const int32_t* sampleCounts, const LanguageTable& table,
                     std::vector<float>& scores, MatchLanes lanes) {
  const match_lanes::Scorers* scorers = scorersFor(lanes);
  if (scorers == nullptr) return plainDifference(sampleCounts, table, scores);
  scorers->difference(match_lanes::laneFrequencies(sampleCounts).data(), table,
                      scores);
}

void scoreDeviations(const int32_t* sampleCounts, const LanguageTable& table,
                     int k, std::vector<float>& scores, MatchLanes lanes) {
  const match_lanes::Scorers* scorers = scorersFor(lanes);
  if (scorers == nullptr) {
    return plainDeviations(sampleCounts, table, k, scores);
  }
  scorers->deviations(match_lanes::laneFrequencies(sampleCounts).data(), table,
                      k, scores);
}

void scoreTendencyPull(const int32_t* sampleCounts, const LanguageTable& table,
                       std::vector<float>& scores, MatchLanes lanes) {
  const match_lanes::Scorers* scorers = scorersFor(lanes);
  if (scorers == nullptr) {
    return plainTendencyPull(sampleCounts, table, scores);
  }
  scorers->tendencyPull(match_lanes::laneFrequencies(sampleCounts).data(),
                        table, scores);
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
