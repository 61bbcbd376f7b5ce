// RecordFile: the engine over one database file (layout in
// db/record_format.h). It owns only its copy of the file name: every
// operation opens the file for itself, reads it whole from the first byte
// in large blocks, makes one pass over the records in memory and closes
// it, so whatever another program changed in between is seen. Several
// questions over an unchanged file are faster through a RecordSnapshot
// (snapshot()), which answers exactly as these operations do.
//
// Errors: an unopenable or damaged file throws std::runtime_error whose
// what() is exactly the engine's "!" line without newline
// (db/record_texts.h); the engine never prints and never ends the program.
// How each kind of damage ends a walk is set out in db/record_walk.h.
// A missing record is a normal result, not an error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/record.h"
#include "db/record_texts.h"

namespace letterfreq {

struct HeadPass;
class RecordSnapshot;
struct WalkStop;
class WriteLock;

struct RecordRef {
  uint32_t id = 0;
  int32_t offset = 0;  // of the record's delimiter byte
};

class RecordFile {
 public:
  // Creates the file when it is missing; leaves an existing one unchanged.
  // Throws "!nofileopen" when it cannot be opened for appending (a
  // read-only file or folder, an empty name).
  explicit RecordFile(const std::string& fileName);
  ~RecordFile();
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;

  // The first record with that id, or the no-match record (id 0, data
  // "No match found!" with its NUL). Stops reading at the record found.
  Record get_record(uint32_t id) const;
  // One entry per record in file order; a last record whose length word
  // reaches past the end of the file is listed too.
  std::vector<RecordRef> query_all() const;
  // Records with a link matching target and kind, each once, in file order:
  // target T, kind 0: a link to T of any kind; T and K: a link to T of kind
  // K; target 0, kind K: a link of kind K to any record (K 0 included).
  std::vector<RecordRef> query_link(uint32_t target, uint16_t kind) const;
  // A record with id 0 is appended under next_record_id() (the caller's
  // record keeps id 0; the result tells the new id). A record whose id is
  // in the file replaces the first record with it (insert_record); the id
  // is returned even when that rewrite is refused. Any other record is
  // appended with its id. An append is one write flushed to disk, undone on
  // failure; it is refused ("!store_record the file ends inside the record
  // at N") when the file ends inside a damaged record, which would hide it.
  uint32_t store_record(const Record& record);
  // Rewrites the record at `offset` (its delimiter) with `record`, which
  // must carry the id stored there. False, the file unchanged, when no
  // delimiter stands there, another id does, or that record is damaged;
  // the "!" text goes to the reporter. With the same length word the
  // record's bytes are overwritten in place; otherwise the new contents go
  // to a temporary file beside the database, flushed to disk and renamed
  // over it, so a crash leaves the old file or the new one. Write failures
  // throw: a failed rewrite with a new size leaves the file unchanged; a
  // failed in-place write puts the old bytes back as far as it can.
  bool insert_record(const Record& record, int32_t offset);
  // Offset of the first record with that id (as query_all lists them), -1
  // when there is none.
  int32_t find_record_offset(uint32_t id) const;
  // Appends records that already carry their ids (0 is refused with
  // std::invalid_argument) with one write, flushed to disk; if anything
  // fails the file is cut back to its old length and the failure thrown.
  // For adding an entry all at once. Refused as store_record's appends are
  // when the file ends inside a damaged record.
  void append_records(const std::vector<Record>& records);
  // The same for a caller that holds a Writing since it walked the file's
  // record heads (db/record_head_pass.h): that walk's end and size decide,
  // and the file is not read again.
  void append_records(const std::vector<Record>& records, const HeadPass& pass);
  // One more than the larger of 256 and the largest id in the file; 0 when
  // the largest id is 4294967295 (no id left).
  uint32_t next_record_id() const;

  // Holds the database's writer lock (db/write_lock.h) while alive, so
  // that what is read under it (the ids to hand out, the records to link
  // to) is still so when the write lands. Every write operation above
  // holds one itself; a caller that reads before it writes holds one
  // around both. Nests: only the outermost takes the lock. Throws
  // DATABASE_BUSY_TEXT when another program writes for longer than
  // LOCK_WAIT.
  class Writing {
   public:
    explicit Writing(RecordFile& file);
    ~Writing();
    Writing(const Writing&) = delete;
    Writing& operator=(const Writing&) = delete;

   private:
    RecordFile& file_;
  };

  // Reads the file once into a RecordSnapshot (db/record_snapshot.h).
  RecordSnapshot snapshot() const;

  const std::string& fileName() const { return fileName_; }

  // Receives the texts of refusals that do not throw (insert_record).
  std::function<void(const std::string&)> reporter;

 private:
  static void checkIds(const std::vector<Record>& records);
  void appendAfter(const std::vector<Record>& records, const WalkStop& stop,
                   size_t fileSize);
  bool rewrite(const std::vector<uint8_t>& bytes, const Record& record,
               int32_t offset);

  std::string fileName_;
  std::unique_ptr<WriteLock> lock_;
  int writers_ = 0;  // Writing scopes open
};

}  // namespace letterfreq
