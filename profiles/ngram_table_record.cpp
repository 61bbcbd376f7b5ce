#include "profiles/ngram_table_record.h"

#include <algorithm>

namespace letterfreq {
namespace {

int floorLog2(uint32_t value) { return 31 - __builtin_clz(value); }

uint32_t storedCount(uint32_t count) {
  return std::min(count, NGRAM_TABLE_COUNT_LIMIT);
}

// Bits appended most significant first.
class BitWriter {
 public:
  explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
  // The low `n` (0..32) bits of `value`.
  void put(uint32_t value, int n) {
    for (int k = n - 1; k >= 0; --k) putBit((value >> k) & 1u);
  }
  void putOnes(uint32_t n) {
    for (uint32_t k = 0; k < n; ++k) putBit(1);
  }
  // Zero bits up to the end of the byte.
  void close() {
    if (used_ > 0) out_.push_back(static_cast<uint8_t>(byte_ << (8 - used_)));
    used_ = 0;
    byte_ = 0;
  }

 private:
  void putBit(uint32_t bit) {
    byte_ = static_cast<uint8_t>((byte_ << 1) | bit);
    if (++used_ == 8) {
      out_.push_back(byte_);
      used_ = 0;
      byte_ = 0;
    }
  }
  std::vector<uint8_t>& out_;
  uint8_t byte_ = 0;
  int used_ = 0;
};

// Bits read most significant first from a block.
class BitReader {
 public:
  BitReader(const uint8_t* data, const uint8_t* end) : next_(data), end_(end) {}
  // The next `n` (0..32) bits; false when fewer are left.
  bool take(int n, uint32_t& value) {
    refill();
    if (held_ < n) return false;
    value = n == 0 ? 0 : static_cast<uint32_t>(bits_ >> (64 - n));
    drop(n);
    return true;
  }
  // Counts equal bits (`ones` or zeros) up to the first other bit, which
  // is left unread; stops early once more than `limit` are seen. False
  // when the block ends first.
  bool run(bool ones, uint32_t limit, uint32_t& length) {
    length = 0;
    for (;;) {
      refill();
      if (held_ == 0) return false;
      const uint64_t look = ones ? ~bits_ : bits_;
      const int same = look == 0 ? 64 : __builtin_clzll(look);
      const int seen = std::min(same, held_);
      length += static_cast<uint32_t>(seen);
      if (seen < held_) {
        drop(seen);
        return true;
      }
      drop(seen);
      if (length > limit) return true;
    }
  }
  uint64_t bitsRead(const uint8_t* start) const {
    return static_cast<uint64_t>(next_ - start) * 8 -
           static_cast<uint64_t>(held_);
  }
  // Whether the bits held are all zero (once the whole block is read).
  bool heldZero() const { return bits_ == 0; }

 private:
  void refill() {
    if (end_ - next_ >= 8) {
      // Eight bytes at once, as many whole ones counted as fit; the bits
      // of the next one left below the held ones are its own, so loading
      // it again later puts the same bits in the same places.
      uint64_t word = 0;
      for (int k = 0; k < 8; ++k) word = (word << 8) | next_[k];
      bits_ |= word >> held_;
      const int bytes = (63 - held_) >> 3;
      next_ += bytes;
      held_ += 8 * bytes;
      return;
    }
    while (held_ <= 56 && next_ < end_) {
      bits_ |= uint64_t{*next_++} << (56 - held_);
      held_ += 8;
    }
  }
  void drop(int n) {
    bits_ = n >= 64 ? 0 : bits_ << n;
    held_ -= n;
  }
  const uint8_t* next_;
  const uint8_t* end_;
  // Held bits, left-aligned; below them zeros or the bits of the bytes
  // that follow.
  uint64_t bits_ = 0;
  int held_ = 0;
};

void writeLeb128(std::vector<uint8_t>& out, uint32_t value) {
  do {
    uint8_t byte = value & 0x7F;
    value >>= 7;
    if (value != 0) byte |= 0x80;
    out.push_back(byte);
  } while (value != 0);
}

// The bits of the stream with Rice parameter r.
uint64_t streamBits(const std::vector<NgramTableItem>& items, int r) {
  uint64_t bits = 0;
  int64_t previous = -1;
  for (const NgramTableItem& item : items) {
    const auto gap = static_cast<uint32_t>(item.bucket - previous - 1);
    bits += (gap >> r) + 1 + static_cast<uint64_t>(r);
    bits += 2 * static_cast<uint64_t>(floorLog2(storedCount(item.count))) + 1;
    previous = item.bucket;
  }
  return bits;
}

std::string itemText(size_t item) { return "item " + std::to_string(item); }

// The item count and the Rice parameter; `at` moves past them.
bool readHeader(const uint8_t*& at, const uint8_t* end, uint64_t& count,
                uint8_t& rice, std::string& why) {
  count = 0;
  for (int shift = 0;; shift += 7) {
    if (at == end) {
      why = "ends inside its item count";
      return false;
    }
    if (shift > 14) {
      why = "has an item count of more than three bytes";
      return false;
    }
    const uint8_t byte = *at++;
    count |= uint64_t{byte & 0x7Fu} << shift;
    if ((byte & 0x80) == 0) break;
  }
  if (count > NGRAM_TABLE_MAX_ITEMS) {
    why = "announces " + std::to_string(count) + " items, more than " +
          std::to_string(NGRAM_TABLE_MAX_ITEMS);
    return false;
  }
  if (at == end) {
    why = "ends before its Rice parameter";
    return false;
  }
  rice = *at++;
  if (rice > NGRAM_TABLE_LARGEST_RICE) {
    why = "has Rice parameter " + std::to_string(rice) + ", more than 20";
    return false;
  }
  return true;
}

// One item after the bucket `previous`; `why` says what is wrong with it.
bool readItem(BitReader& bits, uint8_t rice, int64_t previous,
              NgramTableItem& item, std::string& why) {
  // The largest gap that keeps the bucket in range (none after the last).
  const auto room = static_cast<uint32_t>(
      std::max<int64_t>(int64_t{NGRAM_TABLE_LAST_BUCKET} - previous - 1, 0));
  uint32_t quotient = 0, stop = 0, low = 0, zeros = 0, count = 0;
  if (!bits.run(true, room >> rice, quotient)) {
    why = "ends inside";
    return false;
  }
  if (quotient > (room >> rice)) {
    why = "has a bucket past 262143 at";
    return false;
  }
  if (!bits.take(1, stop) || !bits.take(rice, low) ||
      !bits.run(false, 31, zeros)) {
    why = "ends inside";
    return false;
  }
  const uint64_t bucket =
      static_cast<uint64_t>(previous + 1) + (uint64_t{quotient} << rice) + low;
  if (bucket > NGRAM_TABLE_LAST_BUCKET) {
    why = "has a bucket past 262143 at";
    return false;
  }
  if (zeros > 31) {
    why = "has a count past 2^31 at";
    return false;
  }
  if (!bits.take(static_cast<int>(zeros) + 1, count)) {
    why = "ends inside";
    return false;
  }
  if (count > NGRAM_TABLE_COUNT_LIMIT) {
    why = "has a count past 2^31 at";
    return false;
  }
  item = {static_cast<uint32_t>(bucket), count};
  return true;
}

}  // namespace

std::vector<NgramTableItem> keptNgramTableItems(
    const uint32_t* counts, const std::vector<uint32_t>& used, size_t cap) {
  std::vector<uint32_t> kept = used;
  if (kept.size() > cap) {
    auto higher = [counts](uint32_t a, uint32_t b) {
      return counts[a] != counts[b] ? counts[a] > counts[b] : a < b;
    };
    std::nth_element(kept.begin(),
                     kept.begin() + static_cast<std::ptrdiff_t>(cap),
                     kept.end(), higher);
    kept.resize(cap);
    std::sort(kept.begin(), kept.end());
  }
  std::vector<NgramTableItem> items;
  items.reserve(kept.size());
  for (uint32_t bucket : kept) items.push_back({bucket, counts[bucket]});
  return items;
}

std::vector<uint8_t> encodeNgramTable(const std::vector<NgramTableItem>& items,
                                      uint8_t rice) {
  std::vector<uint8_t> out;
  writeLeb128(out, static_cast<uint32_t>(items.size()));
  out.push_back(rice);
  BitWriter bits(out);
  int64_t previous = -1;
  for (const NgramTableItem& item : items) {
    const auto gap = static_cast<uint32_t>(item.bucket - previous - 1);
    bits.putOnes(gap >> rice);
    bits.put(0, 1);
    bits.put(gap, rice);  // put() takes the low r bits
    const uint32_t count = storedCount(item.count);
    const int digits = floorLog2(count);
    bits.put(0, digits);
    bits.put(count, digits + 1);
    previous = item.bucket;
  }
  bits.close();
  return out;
}

std::vector<uint8_t> encodeNgramTable(
    const std::vector<NgramTableItem>& items) {
  uint8_t best = 0;
  uint64_t bestBytes = UINT64_MAX;
  for (uint8_t r = 0; r <= NGRAM_TABLE_LARGEST_RICE; ++r) {
    const uint64_t bytes = (streamBits(items, r) + 7) / 8;
    if (bytes < bestBytes) {
      bestBytes = bytes;
      best = r;
    }
  }
  return encodeNgramTable(items, best);
}

bool plainDecodeNgramTable(const uint8_t* data, size_t length,
                           std::vector<NgramTableItem>& items,
                           std::string& why) {
  items.clear();
  const uint8_t* const end = data + length;
  const uint8_t* at = data;
  uint64_t count = 0;
  uint8_t rice = 0;
  if (!readHeader(at, end, count, rice, why)) return false;
  const uint8_t* const stream = at;
  BitReader bits(stream, end);
  items.reserve(count);
  int64_t previous = -1;
  for (size_t i = 0; i < count; ++i) {
    NgramTableItem item;
    if (!readItem(bits, rice, previous, item, why)) {
      why += " " + itemText(i);
      return false;
    }
    items.push_back(item);
    previous = item.bucket;
  }
  const uint64_t used = (bits.bitsRead(stream) + 7) / 8;
  if (used != static_cast<uint64_t>(end - stream) || !bits.heldZero()) {
    why = "has bits after its last item";
    return false;
  }
  return true;
}

}  // namespace letterfreq
