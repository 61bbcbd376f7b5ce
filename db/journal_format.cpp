#include "db/journal_format.h"

#include <cstring>

#include "db/record_codec.h"

namespace letterfreq {

namespace {

constexpr uint8_t MAGIC[4] = {'L', 'F', 'J', '2'};
constexpr uint8_t OLD_MAGIC[4] = {'L', 'F', 'J', '1'};

void write_u64(std::vector<uint8_t>& out, uint64_t value) {
  write_u32(out, static_cast<uint32_t>(value));
  write_u32(out, static_cast<uint32_t>(value >> 32));
}

uint64_t read_u64(const uint8_t* bytes) {
  return uint64_t{read_u32(bytes)} | uint64_t{read_u32(bytes + 4)} << 32;
}

// The first `size` bytes agree with `magic` as far as both go.
bool startsLike(const uint8_t* bytes, size_t size, const uint8_t* magic) {
  return std::memcmp(bytes, magic, size < 4 ? size : 4) == 0;
}

}  // namespace

std::vector<uint8_t> encodeJournal(const JournalFacts& facts) {
  std::vector<uint8_t> bytes(MAGIC, MAGIC + sizeof MAGIC);
  write_u64(bytes, facts.device);
  write_u64(bytes, facts.inode);
  write_u64(bytes, facts.start);
  write_u64(bytes, facts.end);
  write_u64(bytes, facts.sum);
  return bytes;
}

DecodedJournal decodeJournal(const uint8_t* bytes, size_t size) {
  DecodedJournal journal;
  if (size == JOURNAL_SIZE && startsLike(bytes, size, MAGIC)) {
    journal.shape = JournalShape::Current;
    journal.facts.device = read_u64(bytes + 4);
    journal.facts.inode = read_u64(bytes + 12);
    journal.facts.start = read_u64(bytes + 20);
    journal.facts.end = read_u64(bytes + 28);
    journal.facts.sum = read_u64(bytes + 36);
  } else if (size == OLD_JOURNAL_SIZE && startsLike(bytes, size, OLD_MAGIC)) {
    journal.shape = JournalShape::Old;
    journal.facts.start = read_u64(bytes + 4);
  } else if ((size < JOURNAL_SIZE && startsLike(bytes, size, MAGIC)) ||
             (size < OLD_JOURNAL_SIZE && startsLike(bytes, size, OLD_MAGIC))) {
    journal.shape = JournalShape::CutShort;
  }
  return journal;
}

uint64_t fnvSum(const uint8_t* bytes, size_t size, uint64_t sum) {
  for (size_t i = 0; i < size; ++i) {
    sum ^= bytes[i];
    sum *= 1099511628211ull;
  }
  return sum;
}

}  // namespace letterfreq
