#include "profiles/word_ngram_model.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "sample/word_ngram_counter.h"

namespace letterfreq {
namespace {

constexpr double SMOOTHING = 0.125;  // k
const double LN_SMOOTHING = std::log(SMOOTHING);

// ln(c + k): one library call per value, the same doubles every time, so
// that the counts most buckets have need only one call each.
class LogTable {
 public:
  LogTable() {
    for (size_t c = 0; c < logs_.size(); ++c) {
      logs_[c] = std::log(static_cast<double>(c) + SMOOTHING);
    }
  }
  double operator()(uint64_t count) const {
    return count < logs_.size()
               ? logs_[count]
               : std::log(static_cast<double>(count) + SMOOTHING);
  }

 private:
  std::array<double, 4096> logs_;
};

const LogTable& logTable() {
  static const LogTable table;
  return table;
}

double gainFactor(uint32_t languages) {
  return 1.0 + 3.0 / static_cast<double>(languages);
}

}  // namespace

void WordNgramSums::clear() {
  for (uint32_t bucket : touched_) counts_[bucket] = 0;
  touched_.clear();
  total_ = 0;
  hasData_ = false;
}

void WordNgramSums::add(const std::vector<NgramTableItem>& items) {
  if (counts_.empty()) counts_.assign(WORD_NGRAM_BUCKETS, 0);
  hasData_ = true;
  for (const NgramTableItem& item : items) {
    uint64_t& sum = counts_[item.bucket];
    if (sum == 0) touched_.push_back(item.bucket);
    // Sums stop at 2^64 - 1, which no file of a sane size reaches.
    if (__builtin_add_overflow(sum, item.count, &sum)) sum = UINT64_MAX;
    if (__builtin_add_overflow(total_, item.count, &total_)) {
      total_ = UINT64_MAX;
    }
  }
}

void WordNgramSums::sparse(std::vector<uint32_t>& buckets,
                           std::vector<uint64_t>& counts) const {
  buckets = touched_;
  std::sort(buckets.begin(), buckets.end());
  counts.resize(buckets.size());
  for (size_t i = 0; i < buckets.size(); ++i) counts[i] = counts_[buckets[i]];
}

int64_t wordNgramUnseenWeight(uint64_t total) {
  const double mass = SMOOTHING * WORD_NGRAM_BUCKETS;
  return std::llround(
      1000.0 * (LN_SMOOTHING - std::log(static_cast<double>(total) + mass)));
}

int64_t wordNgramGain(uint64_t count, uint32_t languages) {
  return std::llround(1000.0 * gainFactor(languages) *
                      (logTable()(count) - LN_SMOOTHING));
}

int64_t WordNgramModel::weight(uint32_t bucket, int language) const {
  const int64_t unseen = unseenWeight(language);
  for (const Pair* p = pairsBegin(bucket); p != pairsEnd(bucket); ++p) {
    if (p->language == static_cast<uint32_t>(language)) return unseen + p->gain;
  }
  return unseen;
}

void WordNgramModel::score(const uint32_t* counts,
                           const std::vector<uint32_t>& buckets,
                           uint64_t features,
                           std::vector<int64_t>& scores) const {
  const size_t languages = unseen_.size();
  scores.assign(languages, 0);
  if (!carriesData_) return;
  for (uint32_t bucket : buckets) {
    const int64_t times = counts[bucket];
    for (const Pair* p = pairsBegin(bucket); p != pairsEnd(bucket); ++p) {
      scores[p->language] += times * p->gain;
    }
  }
  const auto n = static_cast<int64_t>(features);
  for (size_t e = 0; e < languages; ++e) {
    scores[e] = hasData_[e] ? scores[e] + unseen_[e] * n : 0;
  }
}

WordNgramModelBuilder::WordNgramModelBuilder(int languageCount)
    : languages_(static_cast<size_t>(std::max(languageCount, 0))) {}

void WordNgramModelBuilder::setLanguage(int language,
                                        const WordNgramSums& sums) {
  if (language < 0 || static_cast<size_t>(language) >= languages_.size() ||
      !sums.hasData()) {
    return;
  }
  Language& entry = languages_[static_cast<size_t>(language)];
  sums.sparse(entry.buckets, entry.counts);
  entry.total = sums.total();
  entry.hasData = true;
}

WordNgramModel WordNgramModelBuilder::build() {
  WordNgramModel model;
  model.unseen_.assign(languages_.size(), 0);
  model.hasData_.assign(languages_.size(), 0);
  // n_b, then each bucket's place in the pairs.
  std::vector<uint32_t> languagesIn(WORD_NGRAM_BUCKETS, 0);
  for (const Language& language : languages_) {
    for (uint32_t bucket : language.buckets) ++languagesIn[bucket];
  }
  model.starts_.assign(WORD_NGRAM_BUCKETS + 1, 0);
  for (uint32_t b = 0; b < WORD_NGRAM_BUCKETS; ++b) {
    model.starts_[b + 1] = model.starts_[b] + languagesIn[b];
  }
  model.pairs_.resize(model.starts_[WORD_NGRAM_BUCKETS]);
  std::vector<uint32_t> next(model.starts_.begin(), model.starts_.end() - 1);
  for (size_t e = 0; e < languages_.size(); ++e) {
    Language& language = languages_[e];
    if (!language.hasData) continue;
    model.hasData_[e] = 1;
    model.carriesData_ = true;
    model.unseen_[e] = wordNgramUnseenWeight(language.total);
    for (size_t i = 0; i < language.buckets.size(); ++i) {
      const uint32_t bucket = language.buckets[i];
      const int64_t gain =
          wordNgramGain(language.counts[i], languagesIn[bucket]);
      model.pairs_[next[bucket]++] = {static_cast<uint32_t>(e),
                                      static_cast<int32_t>(gain)};
    }
    language = Language();  // its memory back as soon as it is used
  }
  languages_.clear();
  return model;
}

}  // namespace letterfreq
