#include "profiles/ngram_match.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace letterfreq {
namespace {

// sums[e] += row[e] (or factor * row[e]) over `length` lanes, a multiple
// of NGRAM_LANES. The arrays never overlap; saying so (and the fixed inner
// length) lets the compiler use vector instructions.
void addRow(int32_t* __restrict sums, const int32_t* __restrict row,
            size_t length) {
  for (size_t e = 0; e < length; e += NGRAM_LANES) {
    for (int k = 0; k < NGRAM_LANES; ++k) sums[e + k] += row[e + k];
  }
}
void addRowTimes(int32_t* __restrict sums, const int32_t* __restrict row,
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

// s_L for the languages [first, first + length) of every row. The products
// and their running sums go through 32-bit partial sums, which add several
// languages per instruction, for as long as no partial sum can overflow:
// while the features added since the last flush number at most `limit`,
// every partial sum is at most limit x |weight| <= INT32_MAX. A larger
// count goes straight to 64 bits.
void addColumn(const NgramModel& model, const uint32_t* sampleCounts,
               size_t first, size_t length, int64_t* scores, size_t count) {
  const uint32_t limit = static_cast<uint32_t>(
      INT32_MAX / std::max<int64_t>(model.largestWeightMagnitude(), 1));
  int64_t totals[COLUMN] = {};
  int32_t sums[COLUMN] = {};
  uint64_t pending = 0;  // features in the partial sums
  auto flush = [&] {
    for (size_t e = 0; e < length; ++e) {
      totals[e] += sums[e];
      sums[e] = 0;
    }
    pending = 0;
  };
  auto addBucket = [&](int b) {
    const uint32_t times = sampleCounts[b];
    const int32_t* row = model.bucketRow(b) + first;
    if (times > limit) {
      for (size_t e = 0; e < length; ++e) totals[e] += int64_t{times} * row[e];
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

  if (model.carriesNgramData()) addScores(model, sampleCounts, match.scores);

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

std::vector<MatchRow> matchSampleByNgrams(
    const NgramModel& model, const uint32_t* sampleCounts,
    const std::vector<LetterProfile>& languages) {
  const NgramMatch match = matchNgrams(model, sampleCounts);
  std::vector<MatchRow> rows;
  rows.reserve(languages.size());
  auto addRow = [&](size_t e, float score) {
    MatchRow row;
    row.language = static_cast<int>(e);
    row.name = languages[e].name;
    row.recordId = languages[e].recordId;
    row.score = score;
    rows.push_back(std::move(row));
  };
  for (int32_t e : match.ranking) {
    const size_t index = static_cast<size_t>(e);
    if (index < languages.size()) addRow(index, match.bars[index]);
  }
  for (size_t e = match.ranking.size(); e < languages.size(); ++e) {
    addRow(e, std::numeric_limits<float>::quiet_NaN());
  }
  return rows;
}

}  // namespace letterfreq
