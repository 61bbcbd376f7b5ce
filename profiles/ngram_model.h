// The n-gram side of a loaded database. NgramLanguageCounts gathers one
// language's bucket sums c_L and their total T_L from its entries' n-gram
// records; NgramModel keeps, per language, the integer weights
//
//   w_L[b] = llround(1000 * ln((c_L[b] + 1/8) / (T_L + 2048)))
//
// laid out [bucket][language], so scoring one bucket reads one contiguous
// row. No weight is above 0 (a count is at most its total) nor below
// -NGRAM_LARGEST_MAGNITUDE, so each is kept negated in 16 bits: half the
// memory of 32-bit weights, to make and to read. Each row is padded with
// zeros to a multiple of NGRAM_LANES languages, so that it is whole cache
// lines and is added in whole vector steps. A language none of whose
// entries has an n-gram record has no data and is not scored. A model of
// a database without n-gram data holds no weights.
//
// The weights are made either at once (setLanguage) or when first needed
// (setLanguagesLater): a load then only notes where the lists lie, and
// summing them and making the weights is left to the first match by
// n-grams, or to makeWeights(). Which languages have data is known from
// the start. Until then one sample can be scored from the lists alone
// (scoreFromLists), over its own buckets. A model whose weights are still
// to be made must not be used from two threads at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "util/page_block.h"
#include "profiles/feature_model.h"
#include "profiles/feature_sets.h"
#include "sample/ngram_counter.h"

namespace letterfreq {

// The weight of every bucket of a language without n-gram data:
// llround(1000 * ln(1/16384)).
constexpr int32_t NGRAM_NO_DATA_WEIGHT = -9704;
// The lowest weight there can be, negated: that of a count of 0 in a total
// of 2^64 - 1, llround(1000 * ln(0.125 / 2^64)) as doubles compute it.
constexpr int32_t NGRAM_LARGEST_MAGNITUDE = 46441;
// Languages per row step: 64 bytes of 16-bit weights. Rows are padded to a
// multiple.
constexpr int NGRAM_LANES = 32;

// c_L and T_L of the language being loaded; reused from language to
// language through clear(). The table is made by the first record.
class NgramLanguageCounts {
 public:
  void clear();
  // Adds one entry's n-gram record (its data block, untrusted).
  void addRecord(const uint8_t* data, size_t length);
  // Adds `count` to one bucket, as lists summed elsewhere would (and as
  // totals no file of records could reach in a test); nothing when the
  // bucket is outside or the total would pass 2^64 - 1.
  void addCount(int bucket, uint64_t count);

  bool hasData() const { return hasData_; }  // a record was added
  uint64_t total() const { return total_; }
  // c_L[bucket], 0 <= bucket < NGRAM_BUCKETS; only when hasData().
  uint64_t count(int bucket) const {
    const size_t b = static_cast<size_t>(bucket);
    return wide_.empty() ? narrow_[b] : narrow_[b] + wide_[b];
  }

 private:
  void fold();

  // Adding goes to 32-bit counters, half the memory to pass through, for
  // as long as none can overflow: while what was added since the last
  // fold is at most UINT32_MAX. Before that could be passed, they are
  // folded into the 64-bit ones, so many entries never wrap.
  std::vector<uint32_t> narrow_;
  std::vector<uint64_t> wide_;  // empty until the first fold
  uint64_t sinceFold_ = 0;
  uint64_t total_ = 0;
  bool hasData_ = false;
};

// w = llround(1000 * ln((count + 1/8) / (total + 2048))).
int32_t ngramWeight(uint64_t count, uint64_t total);
// -w, 0 to NGRAM_LARGEST_MAGNITUDE when count <= total.
uint16_t ngramMagnitude(uint64_t count, uint64_t total);

class NgramModel final : public FeatureModel {
 public:
  using ListAdder = RecordAdder;
  using ListsSource = RecordsSource;

  NgramModel() = default;  // no languages
  // `languageCount` languages, none with data yet.
  explicit NgramModel(int languageCount);

  // Makes the weights of language `language` (0-based, in database order)
  // from its counts. Nothing when it has no data or the index is outside.
  void setLanguage(int language, const NgramLanguageCounts& counts);
  // The languages flagged in `withData` (by position) have n-gram data;
  // their weights are made from `source`, called once for each of them,
  // when first needed. A language whose source adds nothing still has
  // data (its weights are those of empty counts). Flags beyond the model's
  // languages are ignored.
  void setLanguagesLater(const std::vector<bool>& withData,
                         ListsSource source);
  // Makes the weights left for later now; nothing when there are none.
  // Whatever `source` throws goes to the caller, and the weights stay to
  // be made.
  void makeWeights() const override;
  bool weightsPending() const { return static_cast<bool>(later_); }
  // While every language's weights are still to be made: s_L, the sum of
  // sampleCounts[b] * weight(b, L) over the buckets, of every language
  // (NGRAM_NO_DATA_WEIGHT for one without data) into `scores`, exactly as
  // summing the rows would give, but from one pass over the lists that
  // keeps the counts of the sample's buckets alone: for a single sample
  // that costs far less than the table. The weights stay to be made.
  // False, with nothing done, otherwise; what `source` throws goes to the
  // caller.
  bool scoreFromLists(const uint32_t* sampleCounts,
                      std::vector<int64_t>& scores) const;

  int languageCount() const override { return languageCount_; }
  bool hasData(int language) const override {
    return language >= 0 && language < languageCount_ &&
           hasData_[static_cast<size_t>(language)] != 0;
  }
  // True when at least one language has n-gram data.
  bool carriesData() const override { return carriesData_; }

  // The negated weights -w of bucket b for every language, then zeros up
  // to rowLength(); only when carriesData(). The table starts on a
  // 64-byte boundary. These three make the weights first if they are
  // still to be made.
  const uint16_t* negatedRow(int bucket) const {
    return weights() + static_cast<size_t>(bucket) * rowLength_;
  }
  int32_t weight(int bucket, int language) const;
  // The largest |weight| of the model (for overflow-free partial sums).
  int64_t largestWeightMagnitude() const {
    makeWeights();
    return largestMagnitude_;
  }
  size_t rowLength() const { return rowLength_; }

 private:
  const uint16_t* weights() const {
    if (later_) makeWeights();
    return table();
  }
  uint16_t* table() const {
    return reinterpret_cast<uint16_t*>(weights_.data());
  }
  // The table of weights, every language without data, if not made yet.
  void prepareWeights() const;
  // One language's negated weights from its counts, whatever they hold,
  // into out[b * stride] for every bucket b.
  void writeWeights(const NgramLanguageCounts& counts, uint16_t* out,
                    size_t stride) const;

  int languageCount_ = 0;
  size_t rowLength_ = 0;  // languageCount_ rounded up to NGRAM_LANES
  std::vector<uint8_t> hasData_;
  bool carriesData_ = false;
  // The weights and what they are made from; filled on first need.
  // [bucket][language], uint16_t; a block of its own, as the table runs to
  // megabytes (util/page_block.h).
  mutable PageBlock weights_;
  mutable int64_t largestMagnitude_ = -int64_t{NGRAM_NO_DATA_WEIGHT};
  mutable ListsSource later_;             // set while weights are to be made
  mutable std::vector<uint8_t> waiting_;  // the languages it makes
};

// The n-gram model of a load's feature sets.
inline const NgramModel& ngramModel(const FeatureModels& models) {
  return static_cast<const NgramModel&>(models.of(NGRAM_FEATURES));
}

}  // namespace letterfreq
