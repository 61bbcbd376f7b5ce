// The walk over a database file's bytes: the one place that decides where
// the records lie, what counts as damage, and how each reading operation
// ends. RecordFile runs it over the bytes it has just read for one
// operation; RecordSnapshot runs it once and keeps what it found. Both
// therefore give the same results and the same "!" texts.
//
// A walk starts at offset 0 and steps from record to record by their
// length words. At each record boundary P it meets one of these:
//
//   the end of the file      the sequence ends.
//   a zero byte              get_record and query_link: the sequence ends;
//                            query_all: "!query_all expected RECORD_DELIM
//                            at P+1".
//   a byte other than 0x72   "!get_record|query_all expected RECORD_DELIM
//                            at P+1", or "!query_link expected
//                            RECORD_DELIM at P+1 rcvd:<byte>".
//   fewer than 9 bytes left  a head cut short (an interrupted append): the
//                            sequence ends; the piece is not listed, since
//                            its id and length are incomplete.
//   a record whose length word reaches past the end of the file (a data
//   block larger than the file included): query_all still lists it, then
//   the sequence ends; get_record and query_link end before it, as it
//   cannot be read whole (get_record gives no match for its id).
//   a record whose length word is smaller than its fields and links need
//   (2 + 7F + 6L): "!<operation> record at P has a length too small for
//   its fields and links".
//   a whole, well-formed record: the walk yields it and goes on after it.
//
// get_record ends the walk at the first record with its id, so damage
// behind that record is not met. Each step moves forward by at least 11
// bytes and reads only inside the buffer, so no input loops or overreads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "db/record.h"
#include "db/record_file.h"
#include "db/record_format.h"

namespace letterfreq {

// Where one record lies in the file's bytes and what its head says.
struct RecordLayout {
  uint32_t offset = 0;  // of the delimiter byte
  uint32_t id = 0;
  uint32_t bodyLength = 0;
  uint8_t fieldCount = 0;  // fieldCount, linkCount: only for whole records
  uint8_t linkCount = 0;

  uint32_t fieldsOffset() const { return offset + RECORD_HEAD_SIZE + 1; }
  uint32_t linksOffset() const {
    return fieldsOffset() + FIELD_SIZE * fieldCount + 1;
  }
  uint32_t dataOffset() const { return linksOffset() + LINK_SIZE * linkCount; }
  uint32_t dataLength() const {
    return bodyLength - 2 - FIELD_SIZE * fieldCount - LINK_SIZE * linkCount;
  }
  // One past the record's last byte (may lie past the file's end).
  uint64_t end() const {
    return uint64_t{offset} + RECORD_HEAD_SIZE + bodyLength;
  }
};

// Why a walk stopped; see the table above.
enum class WalkEnd {
  EndOfFile,
  ZeroByte,
  WrongByte,
  CutHead,
  PastEnd,
  TooShort
};

struct WalkStop {
  WalkEnd kind = WalkEnd::EndOfFile;
  uint32_t offset = 0;  // the record boundary where the walk stopped
  uint8_t byte = 0;     // the byte found there (ZeroByte, WrongByte)
  RecordLayout record;  // PastEnd and TooShort: the record's head
};

class RecordWalk {
 public:
  // Over `size` bytes at `bytes`, which must stay alive and unchanged while
  // the walk is used; starts at `start` (0 for a whole walk). Throws
  // FILE_TOO_LARGE_TEXT for more than MAX_FILE_SIZE bytes.
  RecordWalk(const uint8_t* bytes, size_t size, uint32_t start = 0);

  // The next whole, well-formed record; false once the walk has stopped.
  bool next(RecordLayout& record);
  // Why the walk stopped; meaningful after next() returned false.
  const WalkStop& stop() const { return stop_; }

 private:
  const uint8_t* bytes_;
  uint32_t size_;
  uint32_t position_;
  bool stopped_ = false;
  WalkStop stop_;
};

// The most bytes of a record that deciding on it and reading its fields
// and links looks at: its head, both counts, 255 fields and 255 links.
constexpr uint32_t RECORD_LAYOUT_BYTES =
    RECORD_HEAD_SIZE + 2 + (FIELD_SIZE + LINK_SIZE) * MAX_RECORD_ENTRIES;

// One step of a walk: the record boundary at `position` of a file with
// `left` bytes from there on, of which `head` holds at least the first
// min(left, RECORD_LAYOUT_BYTES). True with the whole, well-formed record
// there; else false with why the walk stops (`stop`, whose record and byte
// are set as the kind needs). RecordWalk::next and the streaming walk of
// db/record_heads.h both step with this.
bool stepAt(const uint8_t* head, uint32_t position, uint32_t left,
            RecordLayout& record, WalkStop& stop);

enum class ReadOperation { GetRecord, QueryAll, QueryLink };

// Throws the operation's "!" text when the stop is damage for it; returns
// when it is an end of the sequence.
void throwIfDamage(ReadOperation operation, const WalkStop& stop);

// The link at `index` of a whole record.
RecordLink readLink(const uint8_t* bytes, const RecordLayout& record,
                    uint8_t index);
// The query_link rule for one link: with a target, a link to it (of kind
// `kind` unless that is 0); with target 0, a link of kind `kind` to any
// record.
bool linkMatches(const RecordLink& link, uint32_t target, uint16_t kind);
bool hasMatchingLink(const uint8_t* bytes, const RecordLayout& record,
                     uint32_t target, uint16_t kind);
// The Record of a whole record.
Record decodeRecord(const uint8_t* bytes, const RecordLayout& record);
// id 0, no fields, no links, data NO_MATCH_TEXT with its NUL.
Record noMatchRecord();
// One more than the larger of 256 and `largestId`; 0 when no id is left.
uint32_t nextIdAfter(uint32_t largestId);

// The reading operations over a whole file's bytes.
Record getRecordIn(const std::vector<uint8_t>& bytes, uint32_t id);
// `stop`, when given, receives where the walk ended.
std::vector<RecordRef> queryAllIn(const std::vector<uint8_t>& bytes,
                                  WalkStop* stop = nullptr);
std::vector<RecordRef> queryLinkIn(const std::vector<uint8_t>& bytes,
                                   uint32_t target, uint16_t kind);
// The offset of the first entry with that id, or -1.
int32_t findOffsetIn(const std::vector<RecordRef>& all, uint32_t id);
uint32_t nextRecordIdOf(const std::vector<RecordRef>& all);

}  // namespace letterfreq
