// RecordSnapshot: a database file read once and indexed, answering the
// reading operations of RecordFile from memory with exactly their results
// and their "!" errors, met at the same points as a walk over the same
// bytes would meet them (both run db/record_walk.h). For loading a whole
// database: one read, then thousands of queries at the cost of a lookup.
//
// Made from a file name (reads only: never creates the file, so it also
// works on read-only files; "!nofileopen" when the file cannot be read),
// from RecordFile::snapshot(), or from bytes. The file is read into memory
// once (db/file_io.h): later changes to it are not seen. What is needed
// after the snapshot is gone is read again through a RecordRereader, which
// keeps those bytes. Copies share the bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "db/file_io.h"
#include "db/record.h"
#include "db/record_file.h"
#include "db/record_walk.h"

namespace letterfreq {

// Reads a snapshot's records again after the snapshot is gone, from the
// bytes it read. Copyable.
class RecordRereader {
 public:
  // Hands the data block of `record`, a whole record of the snapshot that
  // made this rereader, to take(data, length) whole. False, with nothing
  // handed over, for a rereader that no snapshot made.
  bool readData(const RecordLayout& record,
                const std::function<void(const uint8_t*, size_t)>& take) const;

 private:
  friend class RecordSnapshot;
  std::shared_ptr<const FileBytes> bytes_;
};

class RecordSnapshot {
 public:
  explicit RecordSnapshot(const std::string& fileName);
  explicit RecordSnapshot(std::vector<uint8_t> bytes);

  Record get_record(uint32_t id) const;
  std::vector<RecordRef> query_all() const;
  std::vector<RecordRef> query_link(uint32_t target, uint16_t kind) const;
  int32_t find_record_offset(uint32_t id) const;
  uint32_t next_record_id() const;

  // The whole, well-formed records the walk passed, in file order (a last
  // record that runs past the end of the file is not among them; see
  // stop()).
  const std::vector<RecordLayout>& records() const { return records_; }
  // The first whole record with that id, the one get_record reads; null
  // when there is none.
  const RecordLayout* layoutOf(uint32_t id) const;
  // Where the walk over the whole file ended.
  const WalkStop& stop() const { return stop_; }
  // A journal beside the file that is not its own, left alone: its text
  // (a warning for the reader); else empty.
  const std::string& journalNote() const { return bytes_->journalNote(); }
  // The file's bytes; alive as long as this snapshot or a copy of it.
  const FileBytes& bytes() const { return *bytes_; }
  RecordRereader rereader() const;

 private:
  // Indexes the records; NO_MEMORY_TO_READ_TEXT when memory runs out.
  void index();
  void indexRecords();

  std::shared_ptr<const FileBytes> bytes_;
  std::vector<RecordLayout> records_;
  WalkStop stop_;
  // Positions in records_: the first record of each id; the records with a
  // link to each target, and with a link of each kind, each once, in order.
  std::unordered_map<uint32_t, uint32_t> firstById_;
  std::unordered_map<uint32_t, std::vector<uint32_t>> byTarget_;
  std::unordered_map<uint16_t, std::vector<uint32_t>> byKind_;
  uint32_t largestId_ = 0;  // over what query_all lists
};

}  // namespace letterfreq
