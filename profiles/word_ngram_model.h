// The word and n-gram side of a loaded database: per language L the sums
// c_L[b] of its entries' N-gram Table counts and their total T_L, and from
// them, with V = 262144 buckets, k = 1/8 and n_b = the number of languages
// with c_L[b] > 0, the integer weights (each llround of a double)
//
//   unseen weight  u_L    = round(1000 * (ln k - ln(T_L + k * V)))
//   gain           e_L[b] = round(1000 * g_b * (ln(c_L[b] + k) - ln k)),
//                  g_b    = 1 + 3 / n_b,        where c_L[b] > 0.
//
// A feature few languages have says more about them, so its gain is
// raised. Only the (language, gain) pairs with counts are kept, as one list
// per bucket: far less than a dense table of every language's weight in
// every bucket. A language none of whose entries has a table has no model.
//
// WordNgramSums gathers one language at a time; buildWordNgramModel makes
// the model from every language's sums, scoreWordNgramsOnce scores one
// sample without it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "profiles/ngram_table_record.h"

namespace letterfreq {

// Sums of counts stop at 2^64 - 1, which no file of a sane size reaches.
inline void addSaturating(uint64_t& sum, uint64_t count) {
  if (__builtin_add_overflow(sum, count, &sum)) sum = UINT64_MAX;
}

// c_L of the language being read; reused through clear().
class WordNgramSums {
 public:
  void clear();
  // Adds one entry's items.
  void add(const std::vector<NgramTableItem>& items);
  uint64_t total() const { return total_; }
  // visit(bucket, count) for each bucket with a count, rising: a model
  // made bucket by bucket then writes its lists front to back.
  template <class Visit>
  void forEachRising(Visit visit) const {
    for (size_t word = 0; word < marks_.size(); ++word) {
      for (uint64_t bits = marks_[word]; bits != 0; bits &= bits - 1) {
        const auto bucket =
            static_cast<uint32_t>(word * 64 + __builtin_ctzll(bits));
        visit(bucket, counts_[bucket]);
      }
    }
  }

 private:
  std::vector<uint64_t> counts_;   // all buckets, made by the first add
  std::vector<uint64_t> marks_;    // a bit per bucket with a count
  std::vector<uint32_t> touched_;  // the buckets whose count left 0
  uint64_t total_ = 0;
};

// Hands each of one language's N-gram Tables, decoded, to `add`; what a
// damaged one throws goes to the caller.
using TableAdder = std::function<void(const std::vector<NgramTableItem>&)>;
using TablesOf = std::function<void(int language, const TableAdder& add)>;

// u_L for a language's total.
int64_t wordNgramUnseenWeight(uint64_t total);
// e_L[b] for a count in a bucket that `languages` languages have.
int64_t wordNgramGain(uint64_t count, uint32_t languages);

class WordNgramModel {
 public:
  struct Pair {
    uint32_t language;
    int32_t gain;
  };

  WordNgramModel() = default;  // no languages

  int languageCount() const { return static_cast<int>(unseen_.size()); }
  bool hasData(int language) const {
    return language >= 0 && language < languageCount() &&
           hasData_[static_cast<size_t>(language)] != 0;
  }
  bool carriesData() const { return carriesData_; }
  int64_t unseenWeight(int language) const {
    return unseen_[static_cast<size_t>(language)];
  }
  // W_L[b]: u_L + e_L[b], or u_L where L has no count in b.
  int64_t weight(uint32_t bucket, int language) const;
  // The (language, bucket) pairs that have a gain.
  size_t pairCount() const { return gainCount_; }

  // s_L = u_L * N + sum over `buckets` of counts[b] * e_L[b] for every
  // language into `scores` (0 for one without a model); N = `features`.
  void score(const uint32_t* counts, const std::vector<uint32_t>& buckets,
             uint64_t features, std::vector<int64_t>& scores) const;

 private:
  friend WordNgramModel buildWordNgramModel(const std::vector<uint8_t>&,
                                            const TablesOf&);
  // Each bucket's row or room for pairs, from n_b and whether a sum there
  // is too large for a row.
  void placeBuckets(const std::vector<uint32_t>& languagesIn,
                    const std::vector<uint8_t>& large);
  void prefetchBucket(const uint32_t* counts,
                      const std::vector<uint32_t>& buckets, size_t place,
                      size_t gains) const;
  void placeGain(uint32_t bucket, size_t language, int64_t gain,
                 std::vector<uint32_t>& next);
  std::vector<int64_t> unseen_;
  std::vector<uint8_t> hasData_;
  bool carriesData_ = false;
  // Buckets that many languages have keep a row of every language's gain
  // (0: no count), 16 bits each, read front to back; the others a list of
  // (language, gain) pairs.
  std::vector<uint32_t> rowOf_;   // per bucket: its row, or NO_ROW
  std::vector<uint16_t> rows_;    // languageCount() gains a row
  std::vector<uint32_t> starts_;  // WORD_NGRAM_BUCKETS + 1 offsets
  std::vector<Pair> pairs_;       // each bucket's, rising languages
  size_t gainCount_ = 0;
};

// The model of the languages flagged in `withData` (one flag per language;
// a flagged language whose tables are all gone has a model of none), read
// from `tables` twice: once for the totals and n_b, once for the gains.
WordNgramModel buildWordNgramModel(const std::vector<uint8_t>& withData,
                                   const TablesOf& tables);

// What WordNgramModel::score gives with the model buildWordNgramModel would
// make, for one sample, reading `tables` once and keeping only the
// sample's buckets of it: far quicker than making the whole model when one
// sample is all there is. One sum per language and sample bucket is kept,
// so samples of many buckets are better scored with the model.
void scoreWordNgramsOnce(const std::vector<uint8_t>& withData,
                         const TablesOf& tables, const uint32_t* counts,
                         const std::vector<uint32_t>& buckets,
                         uint64_t features, std::vector<int64_t>& scores);

}  // namespace letterfreq
