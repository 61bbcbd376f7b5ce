// The n-gram scores s_L in SSE2 lanes, from the model's 16-bit negated
// weights: two buckets at a time multiplied by their counts and added
// pairwise (pmaddwd) into 32-bit partial sums of four languages per
// instruction, over only the buckets the sample touched, the rows of the
// next ones fetched ahead; the sums negated at the end. Every sum is an
// exact integer, so the scores are those of the plain version
// (profiles/ngram_match.cpp) whatever the order of the additions. Where
// the processor has AVX2 or AVX-512, profiles/ngram_lanes_wide.h adds them
// instead.
#include <algorithm>
#include <cstdint>

#include "profiles/ngram_lanes_wide.h"
#include "profiles/ngram_match.h"

#if defined(__SSE2__)
#include <emmintrin.h>

#include "profiles/ngram_lanes_steps.h"
#endif

namespace letterfreq {

namespace {

using ngram_lanes::NARROW_LIMIT;
static_assert(NGRAM_LANES % ngram_lanes::WIDEST_STEP == 0,
              "rows of whole steps of every lane set");

}  // namespace

NgramLanes::LaneSet NgramLanes::bestLaneSet() {
  if (ngram_lanes::widestLanesAvailable()) return LaneSet::WIDEST;
  return ngram_lanes::wideLanesAvailable() ? LaneSet::WIDE : LaneSet::BASIC;
}

NgramLanes::NgramLanes(const NgramModel& model, LaneSet laneSet)
    : laneSet_(std::min(laneSet, bestLaneSet())) {
  if (!model.carriesData() ||
      model.largestWeightMagnitude() > NARROW_LIMIT) {
    return;  // not usable: the plain scores are taken
  }
  // Every -w is at most NARROW_LIMIT: the same number as int16_t.
  table_.negated = reinterpret_cast<const int16_t*>(model.negatedRow(0));
  table_.stride = model.rowLength();
  table_.languages = static_cast<size_t>(model.languageCount());
  table_.largest = static_cast<int32_t>(model.largestWeightMagnitude());
}

#if defined(__SSE2__)

namespace {

struct Sse2Lanes {
  using Vector = __m128i;
  static constexpr size_t STEP = 8;
  static Vector zero() { return _mm_setzero_si128(); }
  static Vector load(const int16_t* row) {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(row));
  }
  static Vector broadcast(uint32_t pair) {
    return _mm_set1_epi32(static_cast<int32_t>(pair));
  }
  static void addPairs(Vector& low, Vector& high, Vector a, Vector b,
                       Vector times) {
    low = _mm_add_epi32(low, _mm_madd_epi16(_mm_unpacklo_epi16(a, b), times));
    high =
        _mm_add_epi32(high, _mm_madd_epi16(_mm_unpackhi_epi16(a, b), times));
  }
  static void store(int32_t* out, Vector sums) {
    _mm_store_si128(reinterpret_cast<__m128i*>(out), sums);
  }
};

}  // namespace

void NgramLanes::touchedBuckets(const uint32_t* sampleCounts,
                                std::vector<uint16_t>& touched) {
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
      touched[count++] = static_cast<uint16_t>(run + __builtin_ctz(bits));
      bits &= bits - 1;
    }
  }
  touched.resize(count);
}

void NgramLanes::addScores(const uint32_t* sampleCounts,
                           TouchedBuckets touched, int64_t* scores) const {
  ngram_lanes::addScoresIn<Sse2Lanes>(table_, sampleCounts, touched, scores);
}

#else  // no SIMD lanes built: plain sums over the touched buckets

void NgramLanes::touchedBuckets(const uint32_t* sampleCounts,
                                std::vector<uint16_t>& touched) {
  touched.clear();
  for (int b = 0; b < NGRAM_BUCKETS; ++b) {
    if (sampleCounts[b] != 0) touched.push_back(static_cast<uint16_t>(b));
  }
}

void NgramLanes::addScores(const uint32_t* sampleCounts,
                           TouchedBuckets touched, int64_t* scores) const {
  for (size_t i = 0; i < touched.count; ++i) {
    const uint16_t b = touched.buckets[i];
    const int16_t* row = table_.negated + table_.stride * b;
    for (size_t e = 0; e < table_.languages; ++e) {
      scores[e] += int64_t{sampleCounts[b]} * row[e];
    }
  }
}

#endif

void NgramLanes::score(const uint32_t* sampleCounts,
                       std::vector<uint16_t>& touched,
                       std::vector<int64_t>& scores,
                       TouchedBuckets known) const {
  // The sums of n[b] * -w_L[b], negated at the end.
  scores.assign(table_.languages, 0);
  if (known.buckets == nullptr) {
    touchedBuckets(sampleCounts, touched);
    known = {touched.data(), nullptr, touched.size()};
  }
  if (laneSet_ == LaneSet::WIDEST) {
    ngram_lanes::addScoresWidest(table_, sampleCounts, known, scores.data());
  } else if (laneSet_ == LaneSet::WIDE) {
    ngram_lanes::addScoresWide(table_, sampleCounts, known, scores.data());
  } else {
    addScores(sampleCounts, known, scores.data());
  }
  for (int64_t& score : scores) score = -score;
}

}  // namespace letterfreq
