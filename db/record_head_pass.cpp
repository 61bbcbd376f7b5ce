#include "db/record_head_pass.h"

#include <cstring>
#include <new>
#include <stdexcept>

#include "db/file_io.h"
#include "util/page_block.h"
#include "db/record_codec.h"
#include "db/record_texts.h"

namespace letterfreq {

namespace {

// Blocks are read to a page boundary (the kernel copies to an aligned
// buffer several times faster); the unread end of the previous block is
// carried to just before it, so a record's head is always in one piece.
constexpr size_t PAGE = 4096;
constexpr size_t CARRY_ROOM = PAGE;
constexpr size_t BLOCK = 256 * 1024;
static_assert(RECORD_LAYOUT_BYTES < CARRY_ROOM, "a head must fit the room");

// The file as a window sliding forward over it.
class HeadWindow {
 public:
  explicit HeadWindow(const std::string& name)
      : stream_(name), buffer_(CARRY_ROOM + BLOCK) {
    data_ = buffer_.data() + CARRY_ROOM;
  }

  // The bytes at `position`: at least `want` of them (at most CARRY_ROOM),
  // or all up to the end of the file; `available` tells how many.
  const uint8_t* at(uint64_t position, size_t want, size_t& available) {
    if (position + want > start_ + length_ && !ended_) slideTo(position, want);
    const uint64_t end = start_ + length_;
    available = position < end ? static_cast<size_t>(end - position) : 0;
    return available > 0 ? data_ + (position - start_) : data_;
  }

  bool ended() const { return ended_; }
  uint64_t end() const {
    return start_ + length_;
  }  // the file's end once ended

  void readToEnd() {
    while (!ended_) {
      restartAt(end());
      next(end());
    }
  }

 private:
  // Makes the window end where the next block will be read: the bytes
  // from `position` on carried there, or nothing kept when it lies past.
  void restartAt(uint64_t position) {
    const uint64_t windowEnd = end();
    const size_t keep =
        position < windowEnd ? static_cast<size_t>(windowEnd - position) : 0;
    uint8_t* to = buffer_.data() + CARRY_ROOM - keep;
    if (keep > 0) std::memmove(to, data_ + (position - start_), keep);
    data_ = to;
    start_ = keep > 0 ? position : windowEnd;
    length_ = keep;
  }

  // Reads the next block after the window; of it, the window keeps what
  // lies from `from` on.
  void next(uint64_t from) {
    const uint64_t blockStart = end();
    const size_t n = stream_.read(buffer_.data() + CARRY_ROOM, BLOCK);
    if (n < BLOCK) ended_ = true;
    if (from <= blockStart) {
      length_ += n;
      return;
    }
    const size_t skip =
        static_cast<size_t>(from - blockStart < n ? from - blockStart : n);
    data_ = buffer_.data() + CARRY_ROOM + skip;
    start_ = blockStart + skip;
    length_ = n - skip;
  }

  void slideTo(uint64_t position, size_t want) {
    do {
      restartAt(position);
      next(position);
    } while (!ended_ && end() < position + want);
  }

  DatabaseStream stream_;
  PageBlock buffer_;  // whole pages: BLOCK starts on a page boundary
  uint8_t* data_ = nullptr;  // the window: [start_, start_ + length_)
  uint64_t start_ = 0;
  size_t length_ = 0;
  bool ended_ = false;
};

}  // namespace

uint32_t HeadPass::next_record_id() const {
  throwIfDamage(ReadOperation::QueryAll, stop);
  return nextIdAfter(largestId);
}

namespace {

HeadPass walk(const std::string& fileName, HeadVisitor& visitor) {
  HeadPass result;
  WalkStop& stop = result.stop;
  HeadWindow pass(fileName);
  uint8_t copy[RECORD_LAYOUT_BYTES];
  uint64_t position = 0;
  for (;;) {
    size_t available = 0;
    const uint8_t* head = pass.at(position, RECORD_LAYOUT_BYTES, available);
    // Bytes left from here: exact at the end of the file; else as many as
    // the decision on the record needs.
    uint64_t left = pass.ended() ? pass.end() - position : available;
    if (available >= RECORD_HEAD_SIZE && head[0] == RECORD_DELIM) {
      const uint64_t need = RECORD_HEAD_SIZE + uint64_t{read_u32(head + 5)};
      if (need > available && !pass.ended()) {
        // Read through the record's data to see whether the file holds it.
        const size_t kept =
            available < RECORD_LAYOUT_BYTES ? available : RECORD_LAYOUT_BYTES;
        std::memcpy(copy, head, kept);
        head = copy;
        size_t through = 0;
        pass.at(position + need - 1, 1, through);
        left = through > 0 ? need : pass.end() - position;
      }
    }
    RecordLayout record;
    if (!stepAt(head, static_cast<uint32_t>(position),
                static_cast<uint32_t>(left), record, stop)) {
      break;
    }
    if (record.id > result.largestId) result.largestId = record.id;
    if (!visitor.record(record, head)) {
      result.finished = false;
      return result;
    }
    position += RECORD_HEAD_SIZE + uint64_t{record.bodyLength};
  }
  if (stop.kind == WalkEnd::PastEnd && stop.record.id > result.largestId) {
    result.largestId = stop.record.id;
  }
  pass.readToEnd();
  result.size = static_cast<uint32_t>(pass.end());
  return result;
}

}  // namespace

HeadPass walkRecordHeads(const std::string& fileName, HeadVisitor& visitor) {
  try {
    return walk(fileName, visitor);
  } catch (const std::bad_alloc&) {
    throw std::runtime_error(NO_MEMORY_TO_READ_TEXT);
  }
}

}  // namespace letterfreq
