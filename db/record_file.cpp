#include "db/record_file.h"

#include <new>
#include <stdexcept>

#include "db/file_io.h"
#include "db/record_codec.h"
#include "db/record_head_pass.h"
#include "db/record_rewrite.h"
#include "db/record_snapshot.h"
#include "db/record_walk.h"
#include "db/write_lock.h"

namespace letterfreq {

namespace {

// Appending after a record that runs past the end of the file would put
// the new records inside it, where no walk finds them.
void checkFileEndsCleanly(const char* operation, const WalkStop& stop) {
  if (stop.kind == WalkEnd::CutHead || stop.kind == WalkEnd::PastEnd) {
    throw std::runtime_error(endsInsideRecordText(operation, stop.offset));
  }
}

}  // namespace

RecordFile::RecordFile(const std::string& fileName) : fileName_(fileName) {
  createDatabaseFile(fileName_);
}

RecordFile::~RecordFile() = default;

RecordFile::Writing::Writing(RecordFile& file) : file_(file) {
  if (file_.writers_ == 0) file_.lock_ = std::make_unique<WriteLock>(file_.fileName_);
  ++file_.writers_;
}

RecordFile::Writing::~Writing() {
  if (--file_.writers_ == 0) file_.lock_.reset();
}

Record RecordFile::get_record(uint32_t id) const {
  return getRecordIn(readDatabaseFile(fileName_), id);
}

std::vector<RecordRef> RecordFile::query_all() const {
  return queryAllIn(readDatabaseFile(fileName_));
}

std::vector<RecordRef> RecordFile::query_link(uint32_t target,
                                              uint16_t kind) const {
  return queryLinkIn(readDatabaseFile(fileName_), target, kind);
}

int32_t RecordFile::find_record_offset(uint32_t id) const {
  return findOffsetIn(query_all(), id);
}

uint32_t RecordFile::next_record_id() const {
  return nextRecordIdOf(query_all());
}

RecordSnapshot RecordFile::snapshot() const {
  return RecordSnapshot(fileName_);
}

uint32_t RecordFile::store_record(const Record& record) {
  const Writing writing(*this);
  const std::vector<uint8_t> bytes = readDatabaseFile(fileName_);
  WalkStop stop;
  const std::vector<RecordRef> all = queryAllIn(bytes, &stop);
  Record stored = record;
  if (stored.id() == 0) {
    stored.id(nextRecordIdOf(all));
    if (stored.id() == 0) throw std::runtime_error(NO_RECORD_ID_LEFT_TEXT);
  } else {
    const int32_t offset = findOffsetIn(all, stored.id());
    if (offset != -1) {
      rewrite(bytes, stored, offset);
      return stored.id();
    }
  }
  checkFileEndsCleanly("store_record", stop);
  if (encodedRecordSize(stored) > MAX_FILE_SIZE - bytes.size()) {
    throw std::runtime_error(FILE_TOO_LARGE_TEXT);
  }
  appendToDatabaseFile(fileName_, bytes.size(), encodeRecord(stored));
  return stored.id();
}

bool RecordFile::insert_record(const Record& record, int32_t offset) {
  const Writing writing(*this);
  return rewrite(readDatabaseFile(fileName_), record, offset);
}

bool RecordFile::rewrite(const std::vector<uint8_t>& bytes,
                         const Record& record, int32_t offset) {
  RewritePlan plan;
  try {
    plan = planRewrite(bytes, record, offset);
  } catch (const std::bad_alloc&) {
    throw std::runtime_error(NO_MEMORY_TEXT);
  }
  if (plan.refusal != nullptr) {
    if (reporter) reporter(plan.refusal);
    return false;
  }
  if (plan.inPlace()) {
    try {
      overwriteDatabaseBytes(fileName_, bytes.size(), plan.offset,
                             plan.encoded);
    } catch (const std::runtime_error&) {
      // A half-written record would break every later walk: put the old
      // bytes back if the disk still takes them, then report the failure.
      try {
        overwriteDatabaseBytes(
            fileName_, bytes.size(), plan.offset,
            std::vector<uint8_t>(bytes.begin() + plan.offset,
                                 bytes.begin() + plan.oldEnd));
      } catch (const std::runtime_error&) {
      }
      throw;
    }
    return true;
  }
  replaceDatabaseFile(
      fileName_, bytes.size(),
      {{bytes.data(), plan.offset},
                  {plan.encoded.data(), plan.encoded.size()},
                  {bytes.data() + plan.oldEnd, bytes.size() - plan.oldEnd}});
  return true;
}

void RecordFile::append_records(const std::vector<Record>& records) {
  checkIds(records);
  if (records.empty()) return;
  const Writing writing(*this);
  const std::vector<uint8_t> bytes = readDatabaseFile(fileName_);
  WalkStop stop;
  queryAllIn(bytes, &stop);
  appendAfter(records, stop, bytes.size());
}

void RecordFile::append_records(const std::vector<Record>& records,
                                const HeadPass& pass) {
  checkIds(records);
  if (records.empty()) return;
  const Writing writing(*this);
  appendAfter(records, pass.stop, pass.size);
}

void RecordFile::checkIds(const std::vector<Record>& records) {
  for (const Record& record : records) {
    if (record.id() == 0) {
      throw std::invalid_argument("append_records: a record without an id");
    }
  }
}

void RecordFile::appendAfter(const std::vector<Record>& records,
                             const WalkStop& stop, size_t fileSize) {
  checkFileEndsCleanly("append_records", stop);
  std::vector<uint8_t> encoded;
  for (const Record& record : records) {
    appendEncodedRecord(encoded, record);
    if (encoded.size() > MAX_FILE_SIZE - fileSize) {
      throw std::runtime_error(FILE_TOO_LARGE_TEXT);
    }
  }
  appendToDatabaseFile(fileName_, fileSize, encoded);
}

}  // namespace letterfreq
