#include "sample/word_ngram_counter.h"

#include <algorithm>

#include "sample/case_fold.h"

namespace letterfreq {

namespace {

// The hash of " " behind the word marker: where every word's hash starts.
constexpr uint32_t WORD_OPENING =
    (((FNV1A_BASIS ^ WORD_NGRAM_MARKER) * FNV1A_PRIME) ^ NGRAM_PAD) *
    FNV1A_PRIME;

}  // namespace

WordNgramCounter::WordNgramCounter()
    : counts_(WORD_NGRAM_BUCKETS, 0), fold_(caseFoldLookup()) {
  touched_.reserve(LISTED_BUCKETS);
}

void WordNgramCounter::reset() {
  if (listing_) {
    for (uint32_t bucket : touched_) counts_[bucket] = 0;
  } else {
    std::fill(counts_.begin(), counts_.end(), 0);
  }
  touched_.clear();
  listing_ = true;
  std::fill(std::begin(prefixes_), std::end(prefixes_), FNV1A_BASIS);
  wordHash_ = FNV1A_BASIS;
  wordLength_ = 0;
  length_ = 0;
  features_ = 0;
  heldLead_ = 0;
  last_ = 0;
  finished_ = false;
}

void WordNgramCounter::add(const uint8_t* bytes, size_t length) {
  if (finished_) return;
  for (size_t i = 0; i < length; ++i) {
    uint8_t byte = bytes[i];
    if (heldLead_ != 0) {
      uint8_t lead = heldLead_;
      heldLead_ = 0;
      if (isContinuation(byte)) {
        foldTwoByte(fold_, lead, byte);
        emit(lead);
        emit(byte);
        continue;
      }
      emit(lead);
    }
    if (isTwoByteLead(byte)) {
      heldLead_ = byte;
    } else {
      emit(foldAsciiByte(byte));
    }
  }
}

void WordNgramCounter::finish() {
  if (finished_) return;
  if (heldLead_ != 0) emit(heldLead_);
  heldLead_ = 0;
  if (length_ > 0 && last_ != NGRAM_PAD) push(NGRAM_PAD);
  finished_ = true;
}

void WordNgramCounter::emit(uint8_t byte) {
  if (length_ == 0 && byte != NGRAM_PAD) push(NGRAM_PAD);
  push(byte);
}

void WordNgramCounter::push(uint8_t byte) {
  // The windows ending at this byte extend those ending a byte before.
  uint32_t grams[4];
  for (int k = 0; k < 4; ++k) grams[k] = fnv1aStep(prefixes_[k], byte);
  const uint64_t windows = std::min<uint64_t>(length_, 4);
  for (uint64_t k = 0; k < windows; ++k) bump(grams[k]);
  prefixes_[3] = grams[2];
  prefixes_[2] = grams[1];
  prefixes_[1] = grams[0];
  prefixes_[0] = fnv1aStep(FNV1A_BASIS, byte);

  if (byte == NGRAM_PAD) {
    // The padded stream opens with a space, so every run of other bytes
    // has one before it; this one closes it.
    if (wordLength_ > 0) bump(fnv1aStep(wordHash_, NGRAM_PAD));
    wordHash_ = WORD_OPENING;
    wordLength_ = 0;
  } else {
    ++wordLength_;
    if (wordLength_ <= WORD_NGRAM_WORD_CUT) {
      wordHash_ = fnv1aStep(wordHash_, byte);
    }
  }
  last_ = byte;
  ++length_;
}

void WordNgramCounter::bump(uint32_t hash) {
  const uint32_t bucket = wordNgramBucket(hash);
  uint32_t& count = counts_[bucket];
  if (count == 0 && listing_) {
    if (touched_.size() < LISTED_BUCKETS) {
      touched_.push_back(bucket);
    } else {
      listing_ = false;
    }
  }
  count += (count != UINT32_MAX);
  ++features_;
}

std::vector<uint32_t> WordNgramCounter::usedBuckets() const {
  std::vector<uint32_t> used;
  if (listing_) {
    used = touched_;
    std::sort(used.begin(), used.end());
    return used;
  }
  for (uint32_t b = 0; b < WORD_NGRAM_BUCKETS; ++b) {
    if (counts_[b] != 0) used.push_back(b);
  }
  return used;
}

}  // namespace letterfreq
