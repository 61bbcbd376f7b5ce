// The n-gram scores s_L in SSE2 lanes: the weights narrowed to 16 bits, so
// that a row of a bucket is half the memory to fetch, two buckets at a time
// multiplied by their counts and added pairwise (pmaddwd) into 32-bit
// partial sums of four languages per instruction, over only the buckets the
// sample touched, the rows of the next ones fetched ahead. Every sum is an
// exact integer, so the scores are those of the plain version
// (profiles/ngram_match.cpp) whatever the order of the additions. Where
// the processor has AVX2, profiles/ngram_lanes_wide.cpp adds them instead.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "profiles/ngram_lanes_wide.h"
#include "profiles/ngram_match.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace letterfreq {

namespace {

// Rows are padded to whole AVX2 steps of 16-bit weights.
constexpr size_t ROW_STEP = ngram_lanes::WIDE_STEP;
// The largest |weight| kept narrow; with it, a pair of products of counts
// up to NARROW_LIMIT never overflows 32 bits.
constexpr int32_t NARROW_LIMIT = 32767;

}  // namespace

NgramLanes::LaneSet NgramLanes::bestLaneSet() {
  return ngram_lanes::wideLanesAvailable() ? LaneSet::WIDE : LaneSet::BASIC;
}

NgramLanes::NgramLanes(const NgramModel& model, LaneSet laneSet)
    : laneSet_(laneSet == LaneSet::WIDE && ngram_lanes::wideLanesAvailable()
                   ? LaneSet::WIDE
                   : LaneSet::BASIC) {
  if (!model.carriesNgramData() ||
      model.largestWeightMagnitude() > NARROW_LIMIT) {
    return;  // not usable: the plain scores are taken
  }
  languages_ = static_cast<size_t>(model.languageCount());
  stride_ = (languages_ + ROW_STEP - 1) / ROW_STEP * ROW_STEP;
  largest_ = static_cast<int32_t>(model.largestWeightMagnitude());
  // 32 weights more, so that the table can start on a 64-byte line.
  weights_.assign(stride_ * NGRAM_BUCKETS + 32, 0);
  const auto address = reinterpret_cast<uintptr_t>(weights_.data());
  start_ = (64 - address % 64) % 64 / sizeof(int16_t);
  for (int b = 0; b < NGRAM_BUCKETS; ++b) {
    const int32_t* row = model.bucketRow(b);
    int16_t* narrow = weights_.data() + start_ + stride_ * static_cast<size_t>(b);
    for (size_t e = 0; e < languages_; ++e) {
      narrow[e] = static_cast<int16_t>(row[e]);
    }
  }
}

#if defined(__SSE2__)

namespace {

// Rows fetched this many pairs of buckets ahead.
constexpr size_t AHEAD = 4;

void fetchAhead(const int16_t* row, size_t length) {
  for (size_t e = 0; e < length; e += 32) {  // 64-byte lines
    _mm_prefetch(reinterpret_cast<const char*>(row + e), _MM_HINT_T0);
  }
  _mm_prefetch(reinterpret_cast<const char*>(row + length - 1), _MM_HINT_T0);
}

}  // namespace

void NgramLanes::touchedBuckets(const uint32_t* sampleCounts,
                                std::vector<uint32_t>& touched) {
  touched.resize(NGRAM_BUCKETS);
  size_t count = 0;
  const __m128i zero = _mm_setzero_si128();
  auto zeros = [&](int b) {
    return _mm_cmpeq_epi32(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(sampleCounts + b)),
        zero);
  };
  // 16 buckets a step: a bit per bucket that is not 0.
  for (int run = 0; run < NGRAM_BUCKETS; run += 16) {
    const __m128i packed =
        _mm_packs_epi16(_mm_packs_epi32(zeros(run), zeros(run + 4)),
                        _mm_packs_epi32(zeros(run + 8), zeros(run + 12)));
    auto bits = static_cast<uint32_t>(~_mm_movemask_epi8(packed) & 0xFFFF);
    while (bits != 0) {
      touched[count++] = static_cast<uint32_t>(run + __builtin_ctz(bits));
      bits &= bits - 1;
    }
  }
  touched.resize(count);
}

void NgramLanes::addScores(const uint32_t* sampleCounts,
                           const std::vector<uint32_t>& touched,
                           int64_t* scores) const {
  constexpr size_t COLUMN = 256;  // the sums of a column live on the stack
  // Partial sums flushed before they could overflow: each added pair adds
  // at most its two counts times the largest weight.
  const uint32_t limit =
      static_cast<uint32_t>(INT32_MAX / std::max<int32_t>(largest_, 1));
  const size_t pairs = (touched.size() + 1) / 2;
  for (size_t first = 0; first < stride_; first += COLUMN) {
    const size_t length = std::min(COLUMN, stride_ - first);
    int64_t totals[COLUMN] = {};
    alignas(16) int32_t sums[COLUMN] = {};
    uint64_t pending = 0;
    auto flush = [&] {
      for (size_t e = 0; e < length; ++e) totals[e] += sums[e];
      std::memset(sums, 0, sizeof sums);
      pending = 0;
    };
    auto rowOf = [&](size_t i) {
      return table() + stride_ * touched[i] + first;
    };
    for (size_t p = 0; p < pairs; ++p) {
      const size_t i = 2 * p;
      if (i + 2 * AHEAD < touched.size()) {
        fetchAhead(rowOf(i + 2 * AHEAD), length);
        if (i + 2 * AHEAD + 1 < touched.size()) {
          fetchAhead(rowOf(i + 2 * AHEAD + 1), length);
        }
      }
      const bool both = i + 1 < touched.size();
      const uint32_t timesA = sampleCounts[touched[i]];
      const uint32_t timesB = both ? sampleCounts[touched[i + 1]] : 0;
      if (pending + timesA + timesB > limit) flush();
      pending += timesA + timesB;
      const int16_t* rowA = rowOf(i);
      const int16_t* rowB = both ? rowOf(i + 1) : rowA;
      // (timesA, timesB) in each 32-bit lane: pmaddwd gives a * timesA +
      // b * timesB per language.
      const __m128i times =
          _mm_set1_epi32(static_cast<int32_t>(timesA | (timesB << 16)));
      for (size_t e = 0; e < length; e += 8) {
        const __m128i a =
            _mm_load_si128(reinterpret_cast<const __m128i*>(rowA + e));
        const __m128i b =
            _mm_load_si128(reinterpret_cast<const __m128i*>(rowB + e));
        __m128i* low = reinterpret_cast<__m128i*>(sums + e);
        __m128i* high = reinterpret_cast<__m128i*>(sums + e + 4);
        *low = _mm_add_epi32(*low,
                             _mm_madd_epi16(_mm_unpacklo_epi16(a, b), times));
        *high = _mm_add_epi32(*high,
                              _mm_madd_epi16(_mm_unpackhi_epi16(a, b), times));
      }
    }
    flush();
    for (size_t e = 0; e < length && first + e < languages_; ++e) {
      scores[first + e] += totals[e];
    }
  }
}

#else  // no SIMD lanes built: plain sums over the touched buckets

void NgramLanes::touchedBuckets(const uint32_t* sampleCounts,
                                std::vector<uint32_t>& touched) {
  touched.clear();
  for (int b = 0; b < NGRAM_BUCKETS; ++b) {
    if (sampleCounts[b] != 0) touched.push_back(static_cast<uint32_t>(b));
  }
}

void NgramLanes::addScores(const uint32_t* sampleCounts,
                           const std::vector<uint32_t>& touched,
                           int64_t* scores) const {
  for (uint32_t b : touched) {
    const int16_t* row = table() + stride_ * b;
    for (size_t e = 0; e < languages_; ++e) {
      scores[e] += int64_t{sampleCounts[b]} * row[e];
    }
  }
}

#endif

void NgramLanes::score(const uint32_t* sampleCounts,
                       std::vector<uint32_t>& touched,
                       std::vector<int64_t>& scores,
                       TouchedBuckets known) const {
  scores.assign(languages_, 0);
  if (known.buckets != nullptr) {
    touched.assign(known.buckets, known.buckets + known.count);
  } else {
    touchedBuckets(sampleCounts, touched);
  }
  // Counts too large for a 16-bit factor are added straight into 64 bits.
  size_t kept = 0;
  for (uint32_t b : touched) {
    const uint32_t times = sampleCounts[b];
    if (times <= static_cast<uint32_t>(NARROW_LIMIT)) {
      touched[kept++] = b;
      continue;
    }
    const int16_t* row = table() + stride_ * b;
    for (size_t e = 0; e < languages_; ++e) {
      scores[e] += int64_t{times} * row[e];
    }
  }
  touched.resize(kept);
  if (laneSet_ == LaneSet::WIDE) {
    ngram_lanes::addScoresWide({table(), stride_, languages_, largest_},
                               sampleCounts, touched, scores.data());
  } else {
    addScores(sampleCounts, touched, scores.data());
  }
}

}  // namespace letterfreq
