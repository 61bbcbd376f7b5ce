#include "db/record_snapshot.h"

#include <algorithm>
#include <new>
#include <stdexcept>
#include <utility>

#include "db/record_codec.h"
#include "db/record_texts.h"

namespace letterfreq {

namespace {

RecordRef refOf(const RecordLayout& record) {
  return {record.id, static_cast<int32_t>(record.offset)};
}

// Appends `position` unless it is already the last entry: a record with
// several links to one target (or of one kind) is listed once.
void addOnce(std::vector<uint32_t>& list, uint32_t position) {
  if (list.empty() || list.back() != position) list.push_back(position);
}

}  // namespace

RecordSnapshot::RecordSnapshot(const std::string& fileName)
    : bytes_(std::make_shared<const FileBytes>(fileName)) {
  index();
}

RecordSnapshot::RecordSnapshot(std::vector<uint8_t> bytes)
    : bytes_(std::make_shared<const FileBytes>(std::move(bytes))) {
  index();
}

void RecordSnapshot::index() {
  try {
    indexRecords();
  } catch (const std::bad_alloc&) {
    throw std::runtime_error(NO_MEMORY_TO_READ_TEXT);
  }
}

RecordRereader RecordSnapshot::rereader() const {
  RecordRereader rereader;
  rereader.bytes_ = bytes_;
  return rereader;
}

bool RecordRereader::readData(
    const RecordLayout& record,
    const std::function<void(const uint8_t*, size_t)>& take) const {
  if (!bytes_) return false;
  take(bytes_->data() + record.dataOffset(), record.dataLength());
  return true;
}

void RecordSnapshot::indexRecords() {
  const uint8_t* bytes = bytes_->data();
  RecordWalk walk(bytes, bytes_->size());
  RecordLayout record;
  while (walk.next(record)) {
    const auto position = static_cast<uint32_t>(records_.size());
    records_.push_back(record);
    firstById_.emplace(record.id, position);  // keeps the first
    if (record.id > largestId_) largestId_ = record.id;
    for (uint8_t i = 0; i < record.linkCount; ++i) {
      const RecordLink link = readLink(bytes, record, i);
      addOnce(byTarget_[link.target], position);
      addOnce(byKind_[link.kind], position);
    }
  }
  stop_ = walk.stop();
  if (stop_.kind == WalkEnd::PastEnd && stop_.record.id > largestId_) {
    largestId_ = stop_.record.id;
  }
}

Record RecordSnapshot::get_record(uint32_t id) const {
  const auto found = firstById_.find(id);
  if (found != firstById_.end()) {
    return decodeRecord(bytes_->data(), records_[found->second]);
  }
  throwIfDamage(ReadOperation::GetRecord, stop_);
  return noMatchRecord();
}

const RecordLayout* RecordSnapshot::layoutOf(uint32_t id) const {
  const auto found = firstById_.find(id);
  return found == firstById_.end() ? nullptr : &records_[found->second];
}

std::vector<RecordRef> RecordSnapshot::query_all() const {
  throwIfDamage(ReadOperation::QueryAll, stop_);
  std::vector<RecordRef> all;
  all.reserve(records_.size() + 1);
  for (const RecordLayout& record : records_) all.push_back(refOf(record));
  if (stop_.kind == WalkEnd::PastEnd) all.push_back(refOf(stop_.record));
  return all;
}

std::vector<RecordRef> RecordSnapshot::query_link(uint32_t target,
                                                  uint16_t kind) const {
  throwIfDamage(ReadOperation::QueryLink, stop_);
  std::vector<RecordRef> found;
  if (target == 0) {
    // Every link of the kind matches, whatever its target.
    const auto list = byKind_.find(kind);
    if (list == byKind_.end()) return found;
    found.reserve(list->second.size());
    for (uint32_t position : list->second) {
      found.push_back(refOf(records_[position]));
    }
    return found;
  }
  const auto list = byTarget_.find(target);
  if (list == byTarget_.end()) return found;
  for (uint32_t position : list->second) {
    const RecordLayout& record = records_[position];
    if (kind == 0 || hasMatchingLink(bytes_->data(), record, target, kind)) {
      found.push_back(refOf(record));
    }
  }
  return found;
}

int32_t RecordSnapshot::find_record_offset(uint32_t id) const {
  throwIfDamage(ReadOperation::QueryAll, stop_);
  const auto found = firstById_.find(id);
  if (found != firstById_.end()) {
    return static_cast<int32_t>(records_[found->second].offset);
  }
  if (stop_.kind == WalkEnd::PastEnd && stop_.record.id == id) {
    return static_cast<int32_t>(stop_.record.offset);
  }
  return -1;
}

uint32_t RecordSnapshot::next_record_id() const {
  throwIfDamage(ReadOperation::QueryAll, stop_);
  return nextIdAfter(largestId_);
}

}  // namespace letterfreq
