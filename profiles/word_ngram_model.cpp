#include "profiles/word_ngram_model.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "sample/word_ngram_counter.h"

namespace letterfreq {
namespace {

constexpr double SMOOTHING = 0.125;  // k
constexpr uint32_t NO_ROW = UINT32_MAX;
// How many buckets ahead score() asks for a bucket's place and its gains.
constexpr size_t PLACE_AHEAD = 12;
constexpr size_t GAINS_AHEAD = 5;
// Sums up to which a gain fits 16 bits: 4000 * (ln(10^6 + k) - ln k) is
// 63,580 (a sum near 2^64 would give 185,761).
constexpr uint64_t DENSE_LARGEST_SUM = 1000000;
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
  if (rowOf_[bucket] != NO_ROW) {
    const size_t at = size_t{rowOf_[bucket]} * unseen_.size();
    return unseen + rows_[at + static_cast<size_t>(language)];
  }
  for (uint32_t k = starts_[bucket]; k < starts_[bucket + 1]; ++k) {
    const Pair& pair = pairs_[k];
    if (pair.language == static_cast<uint32_t>(language)) {
      return unseen + pair.gain;
    }
  }
  return unseen;
}

void WordNgramModel::prefetchBucket(const uint32_t* counts,
                                    const std::vector<uint32_t>& buckets,
                                    size_t place, size_t gains) const {
  // Where a bucket's gains are, some buckets ahead; its gains a few
  // buckets ahead, once that is read: the buckets of a sample lie far
  // apart, so each read would otherwise wait for memory.
  if (place < buckets.size()) {
    __builtin_prefetch(&rowOf_[buckets[place]]);
    __builtin_prefetch(&starts_[buckets[place]]);
    __builtin_prefetch(&counts[buckets[place]]);
  }
  if (gains < buckets.size()) {
    const uint32_t bucket = buckets[gains];
    const char* at =
        rowOf_[bucket] != NO_ROW
            ? reinterpret_cast<const char*>(
                  rows_.data() + size_t{rowOf_[bucket]} * unseen_.size())
            : reinterpret_cast<const char*>(pairs_.data() + starts_[bucket]);
    __builtin_prefetch(at);
    __builtin_prefetch(at + 64);
    __builtin_prefetch(at + 128);
  }
}

void WordNgramModel::score(const uint32_t* counts,
                           const std::vector<uint32_t>& buckets,
                           uint64_t features,
                           std::vector<int64_t>& scores) const {
  const size_t languages = unseen_.size();
  scores.assign(languages, 0);
  if (!carriesData_) return;
  int64_t* sum = scores.data();
  const size_t count = buckets.size();
  for (size_t i = 0; i < count; ++i) {
    prefetchBucket(counts, buckets, i + PLACE_AHEAD, i + GAINS_AHEAD);
    const uint32_t bucket = buckets[i];
    const int64_t times = counts[bucket];
    if (rowOf_[bucket] != NO_ROW) {
      const uint16_t* row = rows_.data() + size_t{rowOf_[bucket]} * languages;
      for (size_t e = 0; e < languages; ++e) sum[e] += times * row[e];
      continue;
    }
    for (uint32_t k = starts_[bucket]; k < starts_[bucket + 1]; ++k) {
      sum[pairs_[k].language] += times * pairs_[k].gain;
    }
  }
  const auto n = static_cast<int64_t>(features);
  for (size_t e = 0; e < languages; ++e) {
    scores[e] = hasData_[e] ? scores[e] + unseen_[e] * n : 0;
  }
}

namespace {

// What the first pass finds of each bucket.
struct BucketSurvey {
  std::vector<uint32_t> languagesIn;  // n_b
  std::vector<uint8_t> large;         // a sum past DENSE_LARGEST_SUM
};

// Buckets that at least a quarter of the languages have get a row: 2
// bytes a language there against 8 a pair.
bool takesRow(const BucketSurvey& survey, uint32_t bucket, size_t languages) {
  return !survey.large[bucket] && size_t{survey.languagesIn[bucket]} * 4 >=
                                      std::max<size_t>(languages, 1);
}

}  // namespace

void WordNgramModel::placeBuckets(const std::vector<uint32_t>& languagesIn,
                                  const std::vector<uint8_t>& large) {
  const BucketSurvey survey{languagesIn, large};
  const size_t languages = unseen_.size();
  rowOf_.assign(WORD_NGRAM_BUCKETS, NO_ROW);
  starts_.assign(WORD_NGRAM_BUCKETS + 1, 0);
  uint32_t rows = 0;
  for (uint32_t b = 0; b < WORD_NGRAM_BUCKETS; ++b) {
    const bool row = languagesIn[b] > 0 && takesRow(survey, b, languages);
    if (row) rowOf_[b] = rows++;
    starts_[b + 1] = starts_[b] + (row ? 0 : languagesIn[b]);
  }
  rows_.assign(size_t{rows} * languages, 0);
  pairs_.resize(starts_[WORD_NGRAM_BUCKETS]);
}

void WordNgramModel::placeGain(uint32_t bucket, size_t language, int64_t gain,
                               std::vector<uint32_t>& next) {
  if (rowOf_[bucket] != NO_ROW) {
    uint16_t& place = rows_[size_t{rowOf_[bucket]} * unseen_.size() + language];
    gainCount_ += place == 0;
    place = static_cast<uint16_t>(gain);
    return;
  }
  // A file changed between the passes cannot overrun a bucket's room.
  if (next[bucket] == starts_[bucket + 1]) return;
  pairs_[next[bucket]++] = {static_cast<uint32_t>(language),
                            static_cast<int32_t>(gain)};
  ++gainCount_;
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
  // First pass: the totals, n_b, and the buckets whose gains may not fit
  // a row's 16 bits.
  std::vector<uint32_t> languagesIn(WORD_NGRAM_BUCKETS, 0);
  std::vector<uint8_t> large(WORD_NGRAM_BUCKETS, 0);
  for (size_t e = 0; e < languages; ++e) {
    if (!withData[e]) continue;
    model.carriesData_ = true;
    sumsOf(e);
    model.unseen_[e] = wordNgramUnseenWeight(sums.total());
    sums.forEachRising([&](uint32_t bucket, uint64_t count) {
      ++languagesIn[bucket];
      large[bucket] |= count > DENSE_LARGEST_SUM;
    });
  }
  model.placeBuckets(languagesIn, large);
  // Second pass: the gains, language by language.
  std::vector<uint32_t> next(model.starts_.begin(), model.starts_.end() - 1);
  for (size_t e = 0; e < languages; ++e) {
    if (!withData[e]) continue;
    sumsOf(e);
    sums.forEachRising([&](uint32_t bucket, uint64_t count) {
      model.placeGain(bucket, e, wordNgramGain(count, languagesIn[bucket]),
                      next);
    });
  }
  return model;
}

}  // namespace letterfreq
