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
// WordNgramSums gathers one language at a time; WordNgramModelBuilder takes
// each language's sums and makes the model once all are in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "profiles/ngram_table_record.h"

namespace letterfreq {

// c_L of the language being read; reused through clear().
class WordNgramSums {
 public:
  void clear();
  // Adds one entry's items.
  void add(const std::vector<NgramTableItem>& items);
  bool hasData() const { return hasData_; }  // an entry's table was added
  uint64_t total() const { return total_; }
  // The buckets with counts, rising, and their counts.
  void sparse(std::vector<uint32_t>& buckets,
              std::vector<uint64_t>& counts) const;

 private:
  std::vector<uint64_t> counts_;   // all buckets, made by the first add
  std::vector<uint32_t> touched_;  // the buckets whose count left 0
  uint64_t total_ = 0;
  bool hasData_ = false;
};

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
  // The (language, gain) pairs of bucket b (0..262143), rising languages.
  const Pair* pairsBegin(uint32_t bucket) const {
    return pairs_.data() + starts_[bucket];
  }
  const Pair* pairsEnd(uint32_t bucket) const {
    return pairs_.data() + starts_[bucket + 1];
  }
  // W_L[b]: u_L + e_L[b], or u_L where L has no count in b.
  int64_t weight(uint32_t bucket, int language) const;
  size_t pairCount() const { return pairs_.size(); }

  // s_L = u_L * N + sum over `buckets` of counts[b] * e_L[b] for every
  // language into `scores` (0 for one without a model); N = `features`.
  void score(const uint32_t* counts, const std::vector<uint32_t>& buckets,
             uint64_t features, std::vector<int64_t>& scores) const;

 private:
  friend class WordNgramModelBuilder;
  std::vector<int64_t> unseen_;
  std::vector<uint8_t> hasData_;
  bool carriesData_ = false;
  std::vector<uint32_t> starts_;  // WORD_NGRAM_BUCKETS + 1 offsets
  std::vector<Pair> pairs_;
};

class WordNgramModelBuilder {
 public:
  explicit WordNgramModelBuilder(int languageCount);
  // Language `language`'s sums; nothing when it has none or is outside.
  void setLanguage(int language, const WordNgramSums& sums);
  // The model; the builder is empty after.
  WordNgramModel build();

 private:
  struct Language {
    std::vector<uint32_t> buckets;
    std::vector<uint64_t> counts;
    uint64_t total = 0;
    bool hasData = false;
  };
  std::vector<Language> languages_;
};

}  // namespace letterfreq
