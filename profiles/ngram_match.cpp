#include "profiles/ngram_match.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace letterfreq {
namespace {

// sums[e] += row[e] (or factor * row[e]) over `length` lanes, a multiple
// of NGRAM_LANES. The arrays never overlap; saying so (and the fixed inner
// length) lets the compiler use vector instructions.
void addRow(int32_t* __restrict sums, const uint16_t* __restrict row,
            size_t length) {
  for (size_t e = 0; e < length; e += NGRAM_LANES) {
    for (int k = 0; k < NGRAM_LANES; ++k) sums[e + k] += row[e + k];
  }
}
void addRowTimes(int32_t* __restrict sums, const uint16_t* __restrict row,
                 int32_t factor, size_t length) {
  for (size_t e = 0; e < length; e += NGRAM_LANES) {
    for (int k = 0; k < NGRAM_LANES; ++k) sums[e + k] += factor * row[e + k];
  }
}

// The languages are scored in columns of at most COLUMN, whose sums live on
// the stack: a match allocates nothing for them. With up to COLUMN
// languages that is one pass over the sample's buckets.
constexpr size_t COLUMN = 256;
static_assert(COLUMN % NGRAM_LANES == 0, "whole lanes per column");

// s_L for the languages [first, first + length) of every row, summed as
// -(sum of n[b] * -w_L[b]). The products and their running sums go through
// 32-bit partial sums, which add several languages per instruction, for as
// long as no partial sum can overflow: while the features added since the
// last flush number at most `limit`, every partial sum is at most
// limit x |weight| <= INT32_MAX. A larger count goes straight to 64 bits.
void addColumn(const NgramModel& model, const uint32_t* sampleCounts,
               size_t first, size_t length, int64_t* scores, size_t count) {
  const uint32_t limit = static_cast<uint32_t>(
      INT32_MAX / std::max<int64_t>(model.largestWeightMagnitude(), 1));
  int64_t totals[COLUMN] = {};
  int32_t sums[COLUMN] = {};
  uint64_t pending = 0;  // features in the partial sums
  auto flush = [&] {
    for (size_t e = 0; e < length; ++e) {
      totals[e] -= sums[e];
      sums[e] = 0;
    }
    pending = 0;
  };
  auto addBucket = [&](int b) {
    const uint32_t times = sampleCounts[b];
    const uint16_t* row = model.negatedRow(b) + first;
    if (times > limit) {
      for (size_t e = 0; e < length; ++e) totals[e] -= int64_t{times} * row[e];
      return;
    }
    if (pending + times > limit) flush();
    pending += times;
    if (times == 1) {  // most features: a plain row addition
      addRow(sums, row, length);
    } else {
      addRowTimes(sums, row, static_cast<int32_t>(times), length);
    }
  };
  // A short sample uses few buckets: skip empty runs of 16 at a time.
  constexpr int RUN = 16;
  static_assert(NGRAM_BUCKETS % RUN == 0, "whole runs");
  for (int run = 0; run < NGRAM_BUCKETS; run += RUN) {
    uint32_t any = 0;
    for (int k = 0; k < RUN; ++k) any |= sampleCounts[run + k];
    if (any == 0) continue;
    for (int b = run; b < run + RUN; ++b) {
      if (sampleCounts[b] != 0) addBucket(b);
    }
  }
  flush();
  for (size_t e = 0; e < length && first + e < count; ++e) {
    scores[first + e] = totals[e];
  }
}

void addScores(const NgramModel& model, const uint32_t* sampleCounts,
               std::vector<int64_t>& scores) {
  const size_t rowLength = model.rowLength();
  for (size_t first = 0; first < rowLength; first += COLUMN) {
    addColumn(model, sampleCounts, first, std::min(COLUMN, rowLength - first),
              scores.data(), scores.size());
  }
}

}  // namespace

NgramMatch matchNgrams(const NgramModel& model, const uint32_t* sampleCounts) {
  const int n = model.languageCount();
  const size_t count = static_cast<size_t>(n);
  NgramMatch match;
  match.scores.assign(count, 0);
  match.bars.assign(count, std::numeric_limits<float>::quiet_NaN());
  match.ranking.reserve(count);

  if (model.carriesData()) addScores(model, sampleCounts, match.scores);

  // Scored languages by falling score (a stable sort keeps ties in database
  // order), then the languages without data.
  for (int e = 0; e < n; ++e) {
    if (model.hasData(e)) {
      match.ranking.push_back(e);
    } else {
      match.scores[static_cast<size_t>(e)] = 0;
    }
  }
  std::stable_sort(match.ranking.begin(), match.ranking.end(),
                   [&match](int32_t a, int32_t b) {
                     return match.scores[static_cast<size_t>(a)] >
                            match.scores[static_cast<size_t>(b)];
                   });
  const size_t scored = match.ranking.size();
  for (int e = 0; e < n; ++e) {
    if (!model.hasData(e)) match.ranking.push_back(e);
  }
  if (scored == 0) return match;

  const int64_t best = match.scores[static_cast<size_t>(match.ranking[0])];
  double sum = 0.0;
  for (size_t r = 0; r < scored; ++r) {
    size_t e = static_cast<size_t>(match.ranking[r]);
    sum += std::exp(static_cast<double>(match.scores[e] - best) / 1000.0);
  }
  for (size_t r = 0; r < scored; ++r) {
    size_t e = static_cast<size_t>(match.ranking[r]);
    double share =
        std::exp(static_cast<double>(match.scores[e] - best) / 1000.0) / sum;
    match.bars[e] = static_cast<float>(share);
  }
  return match;
}

namespace {

// Below this difference to the best score, a language's term
// exp(difference / 1000) is exactly 0 (exp(-746) is below half the
// smallest double), and so is its bar: it adds nothing to the sum.
constexpr int64_t FAR_BEHIND = -746000;

// Whether language a ranks before language b: falling score, ties to the
// earlier language. A total order, so that any sort gives the order of the
// stable sort above.
struct RanksBefore {
  const int64_t* scores;
  bool operator()(int32_t a, int32_t b) const {
    if (scores[a] != scores[b]) return scores[a] > scores[b];
    return a < b;
  }
};

// The scored languages of `out.languages`, best first as far as the first
// `depth` go, with their bars in out.scores. Only the languages less than
// FAR_BEHIND behind the best (a prefix of the ranking) are sorted and given
// their exp() term for certain; the sum adds the terms in rank order, as
// the plain version does.
void rankScored(size_t depth, Ranking& out) {
  const int64_t* scores = out.ngramSums.data();
  std::vector<int32_t>& order = out.languages;
  const RanksBefore before{scores};
  const int64_t best =
      scores[*std::min_element(order.begin(), order.end(), before)];
  const auto far = std::partition(order.begin(), order.end(), [&](int32_t e) {
    return scores[e] - best > FAR_BEHIND;
  });
  const size_t near = static_cast<size_t>(far - order.begin());
  // The near ones by one key each: how far behind the best (less than
  // -FAR_BEHIND, so it fits 32 bits), then the position.
  std::vector<uint64_t>& keys = out.keys;
  keys.resize(near);
  for (size_t r = 0; r < near; ++r) {
    const auto behind = static_cast<uint64_t>(best - scores[order[r]]);
    keys[r] = (behind << 32) | static_cast<uint32_t>(order[r]);
  }
  std::sort(keys.begin(), keys.end());
  for (size_t r = 0; r < near; ++r) {
    order[r] = static_cast<int32_t>(keys[r] & UINT32_MAX);
  }
  if (depth > near) {
    std::partial_sort(far, order.begin() + depth, order.end(), before);
  }

  std::vector<double>& terms = out.ngramWeights;
  terms.resize(near);
  double sum = 0.0;
  for (size_t r = 0; r < near; ++r) {
    terms[r] = std::exp(static_cast<double>(scores[order[r]] - best) / 1000.0);
    sum += terms[r];
  }
  out.scores.assign(order.size(), 0.0f);
  for (size_t r = 0; r < near; ++r) {
    out.scores[r] = static_cast<float>(terms[r] / sum);
  }
}

}  // namespace

void rankSampleByNgrams(const NgramModel& model, const NgramLanes* lanes,
                        const uint32_t* sampleCounts, size_t languageCount,
                        size_t limit, Ranking& out,
                        TouchedBuckets touched) {
  const int n = model.languageCount();
  if (lanes != nullptr && lanes->usable()) {
    lanes->score(sampleCounts, out.touchedBuckets, out.ngramSums, touched);
  } else if (!model.scoreFromLists(sampleCounts, out.ngramSums)) {
    out.ngramSums.assign(static_cast<size_t>(n), 0);
    if (model.carriesData()) addScores(model, sampleCounts, out.ngramSums);
  }
  out.languages.clear();
  for (int e = 0; e < n; ++e) {
    if (model.hasData(e)) out.languages.push_back(e);
  }
  const size_t scored = out.languages.size();
  // Every scored language that will be shown, ranked; all of them when
  // some are not this load's languages and may be left out.
  const bool allShown = limit == 0 || languageCount < static_cast<size_t>(n);
  if (scored > 0) rankScored(allShown ? scored : std::min(limit, scored), out);
  out.scores.resize(scored);
  for (int e = 0; e < n; ++e) {
    if (!model.hasData(e)) out.languages.push_back(e);
  }
  // Languages the model does not have come last, unscored.
  for (size_t e = static_cast<size_t>(n); e < languageCount; ++e) {
    out.languages.push_back(static_cast<int32_t>(e));
  }
  out.scores.resize(out.languages.size(),
                    std::numeric_limits<float>::quiet_NaN());
  // Positions beyond this load's languages are left out.
  size_t kept = 0;
  for (size_t r = 0; r < out.languages.size(); ++r) {
    if (static_cast<size_t>(out.languages[r]) >= languageCount) continue;
    out.languages[kept] = out.languages[r];
    out.scores[kept] = out.scores[r];
    ++kept;
  }
  if (limit != 0) kept = std::min(kept, limit);
  out.languages.resize(kept);
  out.scores.resize(kept);
}

std::vector<MatchRow> matchSampleByNgrams(
    const NgramModel& model, const uint32_t* sampleCounts,
    ProfileList languages) {
  Ranking ranking;
  rankSampleByNgrams(model, nullptr, sampleCounts, languages.size(), 0,
                     ranking);
  return namedRows(ranking, languages);
}

}  // namespace letterfreq
