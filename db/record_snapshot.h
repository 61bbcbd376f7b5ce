// RecordSnapshot: a database file read once and indexed, answering the
// reading operations of RecordFile from memory with exactly their results
// and their "!" errors, met at the same points as a walk over the same
// bytes would meet them (both run db/record_walk.h). For loading a whole
// database: one read, then thousands of queries at the cost of a lookup.
//
// Made from a file name (reads only: never creates the file, so it also
// works on read-only files; "!nofileopen" when the file cannot be read),
// from RecordFile::snapshot(), or from bytes. A file is mapped rather than
// copied where it can be (db/file_io.h, FileBytes): later appends are not
// seen, but the mapping is meant for one job, such as a load, and not to
// be kept while other programs may rewrite the file. What is needed after
// the snapshot is gone is read again through a RecordRereader, which keeps
// the file open but not the mapping. Copies share the bytes.
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

// Reads a snapshot's records again after the snapshot is gone. Copyable.
class RecordRereader {
 public:
  // Bytes per piece handed over: a multiple of 4, so that no piece splits
  // a 4-byte item counted from the block's start.
  static constexpr size_t PIECE = 65536;

  // Hands the data block of `record`, a whole record of the snapshot that
  // made this rereader, to take(data, length) in order: in pieces of PIECE
  // bytes and a last one, or whole when the bytes are in memory. False,
  // with nothing handed over, when the file no longer holds the record as
  // the snapshot found it (cut short before its end, or another delimiter,
  // id or length word at its offset); a file cut short while the record is
  // being read may leave part of it handed over.
  bool readData(const RecordLayout& record,
                const std::function<void(const uint8_t*, size_t)>& take) const;

 private:
  friend class RecordSnapshot;
  std::shared_ptr<const OpenFile> file_;    // the mapped file, kept open
  std::shared_ptr<const FileBytes> bytes_;  // else the bytes themselves
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
  // The file's bytes; alive as long as this snapshot or a copy of it.
  const FileBytes& bytes() const { return *bytes_; }
  RecordRereader rereader() const;

 private:
  void index();

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
