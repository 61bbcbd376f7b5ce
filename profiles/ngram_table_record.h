// The data block of an entry's N-gram Table record (kind 9): the word and
// n-gram bucket counts of the entry's sample (sample/word_ngram_counter.h),
//
//   item count      unsigned LEB128
//   r               1 byte, 0..20: the Rice parameter
//   bit stream      most significant bit of each byte first; per item, in
//                   rising bucket order:
//                     gap g = b_i - b_(i-1) - 1 (b_(-1) = -1) in Rice code:
//                       g >> r one bits, a zero bit, the r low bits of g
//                     count c = min(n[b], 2^31) in Elias gamma:
//                       floor(log2 c) zero bits, then c in binary
//                   zero bits pad the last byte.
//
// The writer keeps at most NGRAM_TABLE_KEPT_ITEMS buckets (the highest
// counts, ties to the lower bucket) and takes the r that gives the shortest
// block, ties to the smaller r. The reader accepts any number of items up
// to NGRAM_TABLE_MAX_ITEMS, so the writer's cap may change without it, and
// refuses a block that does not hold exactly the items it announces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace letterfreq {

constexpr size_t NGRAM_TABLE_KEPT_ITEMS = 8192;     // the writer's cap
constexpr uint32_t NGRAM_TABLE_MAX_ITEMS = 262144;  // every bucket
constexpr uint32_t NGRAM_TABLE_LAST_BUCKET = 262143;
constexpr uint32_t NGRAM_TABLE_COUNT_LIMIT = 1u << 31;  // counts stop here
constexpr uint8_t NGRAM_TABLE_LARGEST_RICE = 20;

struct NgramTableItem {
  uint32_t bucket = 0;
  uint32_t count = 0;  // 1..NGRAM_TABLE_COUNT_LIMIT
};

// The items an entry keeps of its bucket counts: of the `used` buckets
// (those whose count is not 0, in rising order) the `cap` with the highest
// counts, ties to the lower bucket, in rising bucket order.
std::vector<NgramTableItem> keptNgramTableItems(
    const uint32_t* counts, const std::vector<uint32_t>& used,
    size_t cap = NGRAM_TABLE_KEPT_ITEMS);

// The data block of `items` (rising buckets, each at most
// NGRAM_TABLE_LAST_BUCKET, counts at least 1; larger counts are stored as
// NGRAM_TABLE_COUNT_LIMIT), with the Rice parameter that makes it shortest.
std::vector<uint8_t> encodeNgramTable(const std::vector<NgramTableItem>& items);
// The same with a given Rice parameter (0..20), for tests.
std::vector<uint8_t> encodeNgramTable(const std::vector<NgramTableItem>& items,
                                      uint8_t rice);

// Reads a data block into `items` (replaced). False when the block is
// damaged, with `why` saying how ("ends inside item 3"), for the caller to
// name the entry; `items` then holds what was read before the fault.
bool decodeNgramTable(const uint8_t* data, size_t length,
                      std::vector<NgramTableItem>& items, std::string& why);
// The same, read item by item: what decodeNgramTable's quicker reader
// (profiles/ngram_table_decode.cpp) must agree with, and what it hands a
// block it does not take in one go (a damaged one, a long run of bits).
bool plainDecodeNgramTable(const uint8_t* data, size_t length,
                           std::vector<NgramTableItem>& items,
                           std::string& why);

}  // namespace letterfreq
