// The n-gram side of a loaded database. NgramLanguageCounts gathers one
// language's bucket sums c_L and their total T_L from its entries' n-gram
// records while the load reads them; NgramModel keeps, per language, the
// integer weights
//
//   w_L[b] = llround(1000 * ln((c_L[b] + 1/8) / (T_L + 2048)))
//
// laid out [bucket][language], so scoring one bucket reads one contiguous
// row. Each row is padded with zero weights to a multiple of NGRAM_LANES
// languages, so that it is added in whole vector steps. A language none of
// whose entries has an n-gram record has no data and is not scored. A model of
// a database without n-gram data holds no weights.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "profiles/ngram_counter.h"

namespace letterfreq {

// The weight of every bucket of a language without n-gram data:
// llround(1000 * ln(1/16384)).
constexpr int32_t NGRAM_NO_DATA_WEIGHT = -9704;
// Languages per step of the scoring loop; rows are padded to a multiple.
constexpr int NGRAM_LANES = 8;

// c_L and T_L of the language being loaded; reused from language to
// language through clear(). The table is made by the first record.
class NgramLanguageCounts {
 public:
  void clear();
  // Adds one entry's n-gram record (its data block, untrusted).
  void addRecord(const uint8_t* data, size_t length);

  bool hasData() const { return hasData_; }  // a record was added
  uint64_t total() const { return total_; }
  // c_L[0..NGRAM_BUCKETS-1]; only when hasData().
  const uint64_t* counts() const { return counts_.data(); }

 private:
  std::vector<uint64_t> counts_;  // 64-bit: many entries cannot wrap
  uint64_t total_ = 0;
  bool hasData_ = false;
};

// w = llround(1000 * ln((count + 1/8) / (total + 2048))).
int32_t ngramWeight(uint64_t count, uint64_t total);

class NgramModel {
 public:
  NgramModel() = default;  // no languages
  // `languageCount` languages, none with data yet.
  explicit NgramModel(int languageCount);

  // Makes the weights of language `language` (0-based, in database order)
  // from its counts. Nothing when it has no data or the index is outside.
  void setLanguage(int language, const NgramLanguageCounts& counts);

  int languageCount() const { return languageCount_; }
  bool hasData(int language) const {
    return language >= 0 && language < languageCount_ &&
           hasData_[static_cast<size_t>(language)] != 0;
  }
  // True when at least one language has n-gram data.
  bool carriesNgramData() const { return !weights_.empty(); }

  // The weights of bucket b for every language, then zeros up to
  // rowLength(); only when carriesNgramData().
  const int32_t* bucketRow(int bucket) const {
    return weights_.data() + static_cast<size_t>(bucket) * rowLength();
  }
  size_t rowLength() const { return rowLength_; }
  int32_t weight(int bucket, int language) const;
  // The largest |weight| of the model (for overflow-free partial sums).
  int64_t largestWeightMagnitude() const { return largestMagnitude_; }

 private:
  int languageCount_ = 0;
  size_t rowLength_ = 0;  // languageCount_ rounded up to NGRAM_LANES
  std::vector<uint8_t> hasData_;
  std::vector<int32_t> weights_;  // [bucket][language]; empty without data
  int64_t largestMagnitude_ = -int64_t{NGRAM_NO_DATA_WEIGHT};
};

}  // namespace letterfreq
