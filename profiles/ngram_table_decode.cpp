// decodeNgramTable's reader: the items from 64-bit loads of a padded copy
// of the stream, several items a load, each run of equal bits counted by
// one instruction. Whatever
// it does not take in one go (a run longer than a load holds, a fault of
// any kind) goes to the item-by-item reader, which reads it again and says
// what is wrong; so both give the same items and the same reason.
//
// Measured on the starter texts' 2,115 tables (17 million items,
// bench/word_ngram_bench): see that benchmark for the ratio to the
// item-by-item reader.
#include <cstring>

#include "profiles/ngram_table_record.h"

namespace letterfreq {
namespace {

// Bits past the item count and Rice parameter; 0 when the header is not
// the plain shape of a sound one.
size_t streamStart(const uint8_t* data, size_t length, uint32_t& count,
                   uint32_t& rice) {
  count = 0;
  size_t at = 0;
  for (int shift = 0; shift <= 14; shift += 7) {
    if (at == length) return 0;
    const uint8_t byte = data[at++];
    count |= uint32_t{byte & 0x7Fu} << shift;
    if ((byte & 0x80) == 0) {
      if (at == length || count > NGRAM_TABLE_MAX_ITEMS) return 0;
      rice = data[at++];
      return rice <= NGRAM_TABLE_LARGEST_RICE ? at : 0;
    }
  }
  return 0;
}

uint64_t bigEndianAt(const uint8_t* bytes, uint64_t bit) {
  uint64_t word;
  std::memcpy(&word, bytes + (bit >> 3), sizeof word);
  return __builtin_bswap64(word) << (bit & 7);  // 57 bits or more valid
}

// The bits of a stream still to read: up to 57 of them held left-aligned
// in one word, loaded again only when fewer than an item's usual length
// are left, so that most items take no load.
struct HeldBits {
  const uint8_t* padded;  // the stream, 16 zero bytes after it
  uint64_t at = 0;        // where the held bits start
  uint64_t word = 0;
  int valid = 0;  // bits of `word` that are the stream's

  void reload() {
    word = bigEndianAt(padded, at);
    valid = 57;
  }
  // Reads one item's gap and count; false when it does not fit in what
  // a load holds.
  bool item(uint32_t rice, uint64_t& gap, uint32_t& count) {
    if (valid < 24) reload();
    for (int attempt = 0; attempt < 2; ++attempt) {
      if (attempt == 1) {
        if (valid == 57) return false;
        reload();
      }
      const int ones = ~word == 0 ? 64 : __builtin_clzll(~word);
      const int head = ones + 1 + static_cast<int>(rice);
      if (head >= valid) continue;
      const uint64_t rest = word << head;
      const int zeros = rest == 0 ? 64 : __builtin_clzll(rest);
      const int length = head + 2 * zeros + 1;
      if (length > valid) continue;
      const uint64_t low = rice == 0 ? 0 : (word << (ones + 1)) >> (64 - rice);
      gap = (static_cast<uint64_t>(ones) << rice) + low;
      count = static_cast<uint32_t>(rest >> (63 - 2 * zeros));
      word <<= length;
      valid -= length;
      at += static_cast<uint64_t>(length);
      return true;
    }
    return false;
  }
};

// The items of a stream of `bits` bits held in `padded` (16 zero bytes
// after it); false for anything the plain reader should see.
bool readStream(const uint8_t* padded, uint64_t bits, uint32_t count,
                uint32_t rice, NgramTableItem* items) {
  HeldBits held{padded};
  uint64_t next = 0;  // the lowest bucket the next item may have
  for (uint32_t i = 0; i < count; ++i) {
    uint64_t gap = 0;
    uint32_t value = 0;
    if (!held.item(rice, gap, value)) return false;
    const uint64_t bucket = next + gap;
    if (bucket > NGRAM_TABLE_LAST_BUCKET || held.at > bits) return false;
    items[i] = {static_cast<uint32_t>(bucket), value};
    next = bucket + 1;
  }
  // Only the zero bits of the last byte may follow.
  const uint64_t at = held.at;
  return (at + 7) / 8 == bits / 8 &&
         (at == bits || bigEndianAt(padded, at) >> (64 - (bits - at)) == 0);
}

}  // namespace

bool decodeNgramTable(const uint8_t* data, size_t length,
                      std::vector<NgramTableItem>& items, std::string& why) {
  uint32_t count = 0, rice = 0;
  const size_t start = streamStart(data, length, count, rice);
  if (start != 0) {
    thread_local std::vector<uint8_t> padded;
    const size_t bytes = length - start;
    padded.resize(bytes + 16);
    std::memcpy(padded.data(), data + start, bytes);
    std::memset(padded.data() + bytes, 0, 16);
    items.resize(count);
    if (readStream(padded.data(), uint64_t{bytes} * 8, count, rice,
                   items.data())) {
      return true;
    }
  }
  return plainDecodeNgramTable(data, length, items, why);
}

}  // namespace letterfreq
