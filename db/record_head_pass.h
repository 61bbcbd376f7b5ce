// One pass over a database file's record heads, streamed in blocks as cat
// reads a file, without keeping the data blocks: each whole record is
// handed to a visitor with its head (fields and links included), and the
// pass tells where and why the walk ended. It steps as RecordWalk does
// (db/record_walk.h), so it meets the same records and stops at the same
// point with the same kind as a RecordSnapshot of the same file; the file
// is opened, locked and cut at an unfinished append as readDatabaseFile
// does (db/file_io.h), with its "!" texts.
//
// Memory: one block buffer, whatever the file's size; what is kept of the
// records is the visitor's.
#pragma once

#include <cstdint>
#include <string>

#include "db/record_walk.h"

namespace letterfreq {

class HeadVisitor {
 public:
  virtual ~HeadVisitor() = default;
  // A whole record; `head` holds its first bytes up to its data block,
  // valid during the call only. False ends the pass at once.
  virtual bool record(const RecordLayout& record, const uint8_t* head) = 0;
};

struct HeadPass {
  bool finished = true;  // false when the visitor ended it
  WalkStop stop;         // where the walk ended
  uint32_t size = 0;     // the file's length as read
  // The largest id query_all lists (a record running past the end
  // included); 0 for none.
  uint32_t largestId = 0;

  // next_record_id's answer over the same file: its "!query_all" text for
  // damage, else one more than max(256, largestId), 0 when none is left.
  uint32_t next_record_id() const;
};

HeadPass walkRecordHeads(const std::string& fileName, HeadVisitor& visitor);

}  // namespace letterfreq
