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
  for (uint32_t bucket : touched_) {
    counts_[bucket] = 0;
    marks_[bucket >> 6] = 0;
  }
  touched_.clear();
  total_ = 0;
}

void WordNgramSums::add(const std::vector<NgramTableItem>& items) {
  if (counts_.empty()) {
    counts_.assign(WORD_NGRAM_BUCKETS, 0);
    marks_.assign(WORD_NGRAM_BUCKETS / 64, 0);
  }
  for (const NgramTableItem& item : items) {
    uint64_t& sum = counts_[item.bucket];
    if (sum == 0) {
      touched_.push_back(item.bucket);
      marks_[item.bucket >> 6] |= uint64_t{1} << (item.bucket & 63);
    }
    addSaturating(sum, item.count);
    addSaturating(total_, item.count);
  }
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

WordNgramModel buildWordNgramModel(const std::vector<uint8_t>& withData,
                                   const TablesOf& tables) {
  WordNgramModel model;
  const size_t languages = withData.size();
  model.unseen_.assign(languages, 0);
  model.hasData_.assign(withData.begin(), withData.end());
  WordNgramSums sums;
  auto sumsOf = [&](size_t e) {
    sums.clear();
    tables(static_cast<int>(e),
           [&](const std::vector<NgramTableItem>& items) { sums.add(items); });
  };
  // First pass: the totals, and n_b.
  std::vector<uint32_t> languagesIn(WORD_NGRAM_BUCKETS, 0);
  for (size_t e = 0; e < languages; ++e) {
    if (!withData[e]) continue;
    model.carriesData_ = true;
    sumsOf(e);
    model.unseen_[e] = wordNgramUnseenWeight(sums.total());
    sums.forEachRising(
        [&](uint32_t bucket, uint64_t) { ++languagesIn[bucket]; });
  }
  model.starts_.assign(WORD_NGRAM_BUCKETS + 1, 0);
  for (uint32_t b = 0; b < WORD_NGRAM_BUCKETS; ++b) {
    model.starts_[b + 1] = model.starts_[b] + languagesIn[b];
  }
  // Second pass: each bucket's pairs, in rising languages.
  model.pairs_.resize(model.starts_[WORD_NGRAM_BUCKETS]);
  std::vector<uint32_t> next(model.starts_.begin(), model.starts_.end() - 1);
  for (size_t e = 0; e < languages; ++e) {
    if (!withData[e]) continue;
    sumsOf(e);
    sums.forEachRising([&](uint32_t bucket, uint64_t count) {
      // A file changed between the passes cannot overrun a bucket's room.
      if (next[bucket] == model.starts_[bucket + 1]) return;
      const int64_t gain = wordNgramGain(count, languagesIn[bucket]);
      model.pairs_[next[bucket]++] = {static_cast<uint32_t>(e),
                                      static_cast<int32_t>(gain)};
    });
  }
  return model;
}

}  // namespace letterfreq
