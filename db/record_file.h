// RecordFile: the engine over one database file. Every operation opens the
// file for itself and reads it from the first byte; nothing is kept between
// operations. A damaged or unopenable file throws std::runtime_error whose
// what() is exactly the engine's "!" line (no newline); the engine never
// prints and never ends the program.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "db/record.h"

namespace letterfreq {

inline constexpr const char* NO_MATCH_TEXT = "No match found!";

struct RecordRef {
  uint32_t id = 0;
  int32_t offset = 0;  // of the record's delimiter byte
};

class RecordFile {
 public:
  // Creates the file when it is missing; leaves an existing one unchanged.
  // Throws "!nofileopen" when it cannot be opened for appending.
  explicit RecordFile(const std::string& fileName);
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;

  // The first record with that id, or the no-match record (id 0, data
  // "No match found!" with its NUL).
  Record get_record(uint32_t id) const;
  std::vector<RecordRef> query_all() const;
  // Records with a link matching target and kind (0 = any, see the rules in
  // the implementation), each once, in file order.
  std::vector<RecordRef> query_link(uint32_t target, uint16_t kind) const;
  uint32_t store_record(const Record& record);
  // Rewrites the record at `offset`. False, file unchanged, when no record
  // or another id stands there; the "!" text goes to the reporter.
  bool insert_record(const Record& record, int32_t offset);
  int32_t find_record_offset(uint32_t id) const;
  // Appends records that already carry their ids with one write, flushed to
  // disk; if anything fails the file is cut back to its old length and the
  // failure thrown. For adding an entry all at once.
  void append_records(const std::vector<Record>& records);
  uint32_t next_record_id() const;

  const std::string& fileName() const { return fileName_; }

  // Receives the texts of refusals that do not throw (insert_record).
  std::function<void(const std::string&)> reporter;

 private:
  std::string fileName_;
};

}  // namespace letterfreq
