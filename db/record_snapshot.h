// RecordSnapshot: a database file read once and indexed, answering the
// reading operations of RecordFile from memory with exactly their results
// and their "!" errors, met at the same points as a walk over the same
// bytes would meet them (both run db/record_walk.h). For loading a whole
// database: one read, then thousands of queries at the cost of a lookup.
//
// Made from a file name (reads only: never creates the file, so it also
// works on read-only files; "!nofileopen" when the file cannot be read),
// from RecordFile::snapshot(), or from bytes. It owns a copy of the
// file's bytes; later changes to the file are not seen. Copyable.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "db/record.h"
#include "db/record_file.h"
#include "db/record_walk.h"

namespace letterfreq {

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
  // Where the walk over the whole file ended.
  const WalkStop& stop() const { return stop_; }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  void index();

  std::vector<uint8_t> bytes_;
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
