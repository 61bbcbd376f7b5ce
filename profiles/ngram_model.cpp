#include "profiles/ngram_model.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "profiles/ngram_record.h"

namespace letterfreq {
namespace {

// k * M of the smoothing: 1/8 for each of the 16384 buckets.
constexpr double NGRAM_SMOOTHING = 0.125;
constexpr double NGRAM_SMOOTHING_MASS = NGRAM_SMOOTHING * NGRAM_BUCKETS;

}  // namespace

void NgramLanguageCounts::clear() {
  // Nothing to undo for a language without lists: a database without
  // n-gram data loads at the cost it always had.
  if (!hasData_) return;
  std::fill(narrow_.begin(), narrow_.end(), 0);
  wide_.clear();
  sinceFold_ = 0;
  total_ = 0;
  hasData_ = false;
}

void NgramLanguageCounts::addRecord(const uint8_t* data, size_t length) {
  if (narrow_.empty()) narrow_.assign(NGRAM_BUCKETS, 0);
  hasData_ = true;
  // Pieces of at most PIECE_ITEMS items, each of which adds at most
  // PIECE_ITEMS * 65535 < 2^32 to any counter.
  constexpr size_t PIECE_ITEMS = 65536;
  while (length >= NGRAM_ITEM_SIZE) {
    const size_t items = std::min(length / NGRAM_ITEM_SIZE, PIECE_ITEMS);
    if (sinceFold_ + uint64_t{items} * NGRAM_COUNT_LIMIT > UINT32_MAX) fold();
    uint32_t* counts = narrow_.data();
    uint64_t added = 0;
    forEachNgramItem(data, items * NGRAM_ITEM_SIZE,
                     [counts, &added](const NgramItem& item) {
                       counts[item.bucket] += item.count;
                       added += item.count;
                     });
    sinceFold_ += added;
    total_ += added;
    data += items * NGRAM_ITEM_SIZE;
    length -= items * NGRAM_ITEM_SIZE;
  }
}

void NgramLanguageCounts::addCount(int bucket, uint64_t count) {
  if (bucket < 0 || bucket >= NGRAM_BUCKETS || count > UINT64_MAX - total_) {
    return;
  }
  if (narrow_.empty()) narrow_.assign(NGRAM_BUCKETS, 0);
  hasData_ = true;
  fold();
  wide_[static_cast<size_t>(bucket)] += count;
  total_ += count;
}

void NgramLanguageCounts::fold() {
  if (wide_.empty()) wide_.assign(NGRAM_BUCKETS, 0);
  for (size_t b = 0; b < NGRAM_BUCKETS; ++b) {
    wide_[b] += narrow_[b];
    narrow_[b] = 0;
  }
  sinceFold_ = 0;
}

int32_t ngramWeight(uint64_t count, uint64_t total) {
  double share = (static_cast<double>(count) + NGRAM_SMOOTHING) /
                 (static_cast<double>(total) + NGRAM_SMOOTHING_MASS);
  return static_cast<int32_t>(std::llround(1000.0 * std::log(share)));
}

uint16_t ngramMagnitude(uint64_t count, uint64_t total) {
  // In doubles count <= total still holds after rounding, and adding 1/8
  // and 2048 keeps the order, so the share is at most 1 and its logarithm
  // at most 0; the smallest share is 0.125 / 2^64.
  return static_cast<uint16_t>(-ngramWeight(count, total));
}

NgramModel::NgramModel(int languageCount)
    : languageCount_(std::max(languageCount, 0)),
      rowLength_((static_cast<size_t>(languageCount_) + NGRAM_LANES - 1) /
                 NGRAM_LANES * NGRAM_LANES),
      hasData_(static_cast<size_t>(languageCount_), 0) {}

void NgramModel::setLanguage(int language, const NgramLanguageCounts& counts) {
  if (language < 0 || language >= languageCount_ || !counts.hasData()) return;
  makeWeights();  // what was left for later first, so this one stays
  prepareWeights();
  writeWeights(counts, table() + language, rowLength_);
  hasData_[static_cast<size_t>(language)] = 1;
  carriesData_ = true;
}

void NgramModel::setLanguagesLater(const std::vector<bool>& withData,
                                   ListsSource source) {
  makeWeights();
  std::vector<uint8_t> waiting(static_cast<size_t>(languageCount_), 0);
  bool any = false;
  for (size_t e = 0; e < waiting.size() && e < withData.size(); ++e) {
    if (!withData[e]) continue;
    waiting[e] = 1;
    hasData_[e] = 1;
    any = true;
  }
  if (!any) return;
  if (!source) source = [](int, const ListAdder&) {};
  carriesData_ = true;
  waiting_ = std::move(waiting);
  later_ = std::move(source);
}

void NgramModel::makeWeights() const {
  if (!later_) return;
  prepareWeights();
  // A row's languages lie side by side: writing one language's column
  // would touch a cache line per bucket. So LANES languages are made into
  // columns of their own first, then written row by row.
  constexpr size_t LANES = 16;
  static_assert(NGRAM_LANES % LANES == 0, "whole groups per row");
  std::vector<uint16_t> columns(LANES * NGRAM_BUCKETS);
  NgramLanguageCounts counts;
  for (size_t first = 0; first < rowLength_; first += LANES) {
    size_t made[LANES];  // the lanes made now; the others stay as they are
    size_t madeCount = 0;
    for (size_t lane = 0; lane < LANES; ++lane) {
      const size_t e = first + lane;
      if (e >= waiting_.size() || !waiting_[e]) continue;
      counts.clear();
      later_(static_cast<int>(e), [&counts](const uint8_t* data,
                                            size_t length) {
        counts.addRecord(data, length);
      });
      writeWeights(counts, columns.data() + lane * NGRAM_BUCKETS, 1);
      made[madeCount++] = lane;
    }
    if (madeCount == 0) continue;
    for (size_t b = 0; b < NGRAM_BUCKETS; ++b) {
      uint16_t* row = table() + b * rowLength_ + first;
      if (madeCount == LANES) {
        for (size_t lane = 0; lane < LANES; ++lane) {
          row[lane] = columns[lane * NGRAM_BUCKETS + b];
        }
      } else {
        for (size_t k = 0; k < madeCount; ++k) {
          row[made[k]] = columns[made[k] * NGRAM_BUCKETS + b];
        }
      }
    }
  }
  later_ = nullptr;
  waiting_.clear();
}

bool NgramModel::scoreFromLists(const uint32_t* sampleCounts,
                                std::vector<int64_t>& scores) const {
  if (!later_ || weights_.size() != 0) return false;
  // Each bucket's place in `counts`: the sample's own buckets from SPREAD
  // on, every other one a place before them picked by its low bits, whose
  // sum is never read. Every item is added to its place without a branch,
  // which the sample's buckets (frequent ones, as the lists') would often
  // mispredict; spread over SPREAD places, the others' additions do not
  // wait on one another.
  constexpr uint32_t SPREAD = 16;
  std::vector<uint32_t> buckets;
  std::vector<uint16_t> placeOf(NGRAM_BUCKETS);
  int64_t features = 0;
  for (uint32_t b = 0; b < NGRAM_BUCKETS; ++b) {
    if (sampleCounts[b] == 0) {
      placeOf[b] = static_cast<uint16_t>(b % SPREAD);
      continue;
    }
    placeOf[b] = static_cast<uint16_t>(SPREAD + buckets.size());
    buckets.push_back(b);
    features += sampleCounts[b];
  }
  std::vector<uint64_t> counts(SPREAD + buckets.size());
  scores.assign(static_cast<size_t>(languageCount_), 0);
  for (size_t e = 0; e < scores.size(); ++e) {
    if (!hasData_[e]) {
      scores[e] = features * NGRAM_NO_DATA_WEIGHT;
      continue;
    }
    std::fill(counts.begin(), counts.end(), 0);
    uint64_t total = 0;
    const uint16_t* place = placeOf.data();
    uint64_t* sums = counts.data();
    later_(static_cast<int>(e), [&](const uint8_t* data, size_t length) {
      forEachNgramItem(data, length, [&](const NgramItem& item) {
        total += item.count;
        sums[place[item.bucket]] += item.count;
      });
    });
    int64_t score = 0;
    for (size_t k = 0; k < buckets.size(); ++k) {
      score += int64_t{sampleCounts[buckets[k]]} *
               ngramWeight(counts[SPREAD + k], total);
    }
    scores[e] = score;
  }
  return true;
}

void NgramModel::prepareWeights() const {
  if (weights_.size() != 0 || rowLength_ == 0) return;
  weights_ = PageBlock(rowLength_ * NGRAM_BUCKETS * sizeof(uint16_t));
  // Row by row, each written once: the block is not zero-filled first.
  const auto languages = static_cast<size_t>(languageCount_);
  const auto noData = static_cast<uint16_t>(-NGRAM_NO_DATA_WEIGHT);
  for (size_t b = 0; b < NGRAM_BUCKETS; ++b) {
    uint16_t* row = table() + b * rowLength_;
    std::fill_n(row, languages, noData);
    std::fill(row + languages, row + rowLength_, uint16_t{0});
  }
}

void NgramModel::writeWeights(const NgramLanguageCounts& counts,
                              uint16_t* out, size_t stride) const {
  // The counts of a language repeat a lot, small ones most: the weight of
  // each count below CACHED is computed once.
  constexpr uint64_t CACHED = 4096;
  constexpr uint16_t UNKNOWN = UINT16_MAX;  // no magnitude is this large
  static_assert(NGRAM_LARGEST_MAGNITUDE < UNKNOWN, "a free mark");
  std::vector<uint16_t> cache(CACHED, UNKNOWN);
  const uint64_t total = counts.total();
  auto weightOf = [&cache, total](uint64_t count) {
    if (count >= CACHED) return ngramMagnitude(count, total);
    uint16_t& magnitude = cache[count];
    if (magnitude == UNKNOWN) magnitude = ngramMagnitude(count, total);
    return magnitude;
  };
  if (counts.hasData()) {
    for (int b = 0; b < NGRAM_BUCKETS; ++b) {
      out[static_cast<size_t>(b) * stride] = weightOf(counts.count(b));
    }
  } else {  // no list added: every count is 0
    const uint16_t none = weightOf(0);
    for (size_t b = 0; b < NGRAM_BUCKETS; ++b) out[b * stride] = none;
  }
  // A count of 0 gives the lowest weight.
  largestMagnitude_ = std::max(largestMagnitude_, int64_t{weightOf(0)});
}

int32_t NgramModel::weight(int bucket, int language) const {
  if (!hasData(language) || bucket < 0 || bucket >= NGRAM_BUCKETS) {
    return NGRAM_NO_DATA_WEIGHT;
  }
  return -int32_t{negatedRow(bucket)[language]};
}

}  // namespace letterfreq
