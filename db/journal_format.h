// The bytes of an append journal (NAME.journal beside a database): what a
// writer records before it appends, so that a journal left by a killed
// writer can be told to belong to the file beside it, and to no other.
//
//   offset  size  field
//   0       4     "LFJ2"
//   4       8     device of the database file (st_dev)
//   12      8     inode of the database file (st_ino)
//   20      8     start: the file's length before the append
//   28      8     end: its length once the append is whole
//   36      8     sum: FNV-1a 64 of the JOURNAL_SUM_SPAN bytes before start
//                 (all of them when the file is shorter)
//
// All integers little-endian. Journals written by earlier versions hold
// "LFJ1" and the start alone (12 bytes). A journal shorter than its layout
// whose bytes agree with the magic so far was cut short while it was
// written, before anything was appended.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace letterfreq {

inline constexpr size_t JOURNAL_SIZE = 44;
inline constexpr size_t OLD_JOURNAL_SIZE = 12;
inline constexpr uint64_t JOURNAL_SUM_SPAN = 4096;

struct JournalFacts {
  uint64_t device = 0;
  uint64_t inode = 0;
  uint64_t start = 0;
  uint64_t end = 0;
  uint64_t sum = 0;
};

enum class JournalShape {
  CutShort,  // marks nothing
  Old,       // "LFJ1": only facts.start is known
  Current,   // "LFJ2"
  Unknown,   // not a journal of this program
};

struct DecodedJournal {
  JournalShape shape = JournalShape::Unknown;
  JournalFacts facts;
};

std::vector<uint8_t> encodeJournal(const JournalFacts& facts);
DecodedJournal decodeJournal(const uint8_t* bytes, size_t size);

// FNV-1a 64 of the bytes, continuing from `sum` (start with FNV_START).
inline constexpr uint64_t FNV_START = 14695981039346656037ull;
uint64_t fnvSum(const uint8_t* bytes, size_t size, uint64_t sum = FNV_START);

}  // namespace letterfreq
