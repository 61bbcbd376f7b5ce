#include "db/record_walk.h"

#include <stdexcept>

#include "db/record_codec.h"
#include "db/record_texts.h"

namespace letterfreq {

RecordWalk::RecordWalk(const uint8_t* bytes, size_t size, uint32_t start)
    : bytes_(bytes), size_(0), position_(start) {
  if (size > MAX_FILE_SIZE) throw std::runtime_error(FILE_TOO_LARGE_TEXT);
  size_ = static_cast<uint32_t>(size);
  if (position_ > size_) position_ = size_;
}

bool RecordWalk::next(RecordLayout& record) {
  if (stopped_) return false;
  if (!stepAt(bytes_ + position_, position_, size_ - position_, record,
              stop_)) {
    stopped_ = true;
    return false;
  }
  position_ += RECORD_HEAD_SIZE + record.bodyLength;
  return true;
}

bool stepAt(const uint8_t* head, uint32_t position, uint32_t left,
            RecordLayout& record, WalkStop& stop) {
  stop.offset = position;
  if (left == 0) {
    stop.kind = WalkEnd::EndOfFile;
    return false;
  }
  stop.byte = head[0];
  auto stopAt = [&stop](WalkEnd kind) {
    stop.kind = kind;
    return false;
  };
  if (head[0] == 0) return stopAt(WalkEnd::ZeroByte);
  if (head[0] != RECORD_DELIM) return stopAt(WalkEnd::WrongByte);
  if (left < RECORD_HEAD_SIZE) return stopAt(WalkEnd::CutHead);

  RecordLayout found;
  found.offset = position;
  found.id = read_u32(head + 1);
  found.bodyLength = read_u32(head + 5);
  stop.record = found;
  const uint32_t body = found.bodyLength;
  if (body > left - RECORD_HEAD_SIZE) return stopAt(WalkEnd::PastEnd);

  // The record lies inside the file; its counts must fit its length.
  const uint8_t* counts = head + RECORD_HEAD_SIZE;
  if (body < 2) return stopAt(WalkEnd::TooShort);
  found.fieldCount = counts[0];
  const uint32_t fieldBytes = FIELD_SIZE * found.fieldCount;
  if (body < 2 + fieldBytes) return stopAt(WalkEnd::TooShort);
  found.linkCount = counts[1 + fieldBytes];
  if (body < 2 + fieldBytes + LINK_SIZE * found.linkCount) {
    return stopAt(WalkEnd::TooShort);
  }
  record = found;
  return true;
}

void throwIfDamage(ReadOperation operation, const WalkStop& stop) {
  const char* name = operation == ReadOperation::GetRecord  ? "get_record"
                     : operation == ReadOperation::QueryAll ? "query_all"
                                                            : "query_link";
  const uint32_t position = stop.offset + 1;  // just after the wrong byte
  switch (stop.kind) {
    case WalkEnd::EndOfFile:
    case WalkEnd::CutHead:
    case WalkEnd::PastEnd:
      return;
    case WalkEnd::ZeroByte:
      if (operation != ReadOperation::QueryAll) return;
      throw std::runtime_error(expectedDelimiterText(name, position));
    case WalkEnd::WrongByte:
      if (operation == ReadOperation::QueryLink) {
        throw std::runtime_error(
            queryLinkExpectedDelimiterText(position, stop.byte));
      }
      throw std::runtime_error(expectedDelimiterText(name, position));
    case WalkEnd::TooShort:
      throw std::runtime_error(lengthTooSmallText(name, stop.offset));
  }
}

RecordLink readLink(const uint8_t* bytes, const RecordLayout& record,
                    uint8_t index) {
  const uint8_t* at = bytes + record.linksOffset() + LINK_SIZE * index;
  RecordLink link;
  link.target = read_u32(at);
  link.kind = read_u16(at + 4);
  return link;
}

bool linkMatches(const RecordLink& link, uint32_t target, uint16_t kind) {
  if (target != 0)
    return link.target == target && (kind == 0 || link.kind == kind);
  return link.kind == kind;
}

bool hasMatchingLink(const uint8_t* bytes, const RecordLayout& record,
                     uint32_t target, uint16_t kind) {
  for (uint8_t i = 0; i < record.linkCount; ++i) {
    if (linkMatches(readLink(bytes, record, i), target, kind)) return true;
  }
  return false;
}

Record decodeRecord(const uint8_t* bytes, const RecordLayout& record) {
  Record result;
  result.id(record.id);
  const uint8_t* at = bytes + record.fieldsOffset();
  for (uint8_t i = 0; i < record.fieldCount; ++i, at += FIELD_SIZE) {
    RecordField field;
    field.tag = read_u16(at);
    field.kind = read_u8(at + 2);
    field.value = read_u32(at + 3);
    result.add_field(field);
  }
  for (uint8_t i = 0; i < record.linkCount; ++i) {
    result.add_link(readLink(bytes, record, i));
  }
  result.set_data(bytes + record.dataOffset(), record.dataLength());
  return result;
}

Record noMatchRecord() {
  Record result;
  result.set_data(NO_MATCH_TEXT);
  return result;
}

uint32_t nextIdAfter(uint32_t largestId) {
  const uint32_t floor = FIRST_RECORD_ID - 1;
  return (largestId > floor ? largestId : floor) + 1;  // wraps to 0 at the top
}

Record getRecordIn(const std::vector<uint8_t>& bytes, uint32_t id) {
  RecordWalk walk(bytes.data(), bytes.size());
  RecordLayout record;
  while (walk.next(record)) {
    if (record.id == id) return decodeRecord(bytes.data(), record);
  }
  throwIfDamage(ReadOperation::GetRecord, walk.stop());
  return noMatchRecord();
}

std::vector<RecordRef> queryAllIn(const std::vector<uint8_t>& bytes,
                                  WalkStop* stop) {
  std::vector<RecordRef> all;
  RecordWalk walk(bytes.data(), bytes.size());
  RecordLayout record;
  while (walk.next(record)) {
    all.push_back({record.id, static_cast<int32_t>(record.offset)});
  }
  throwIfDamage(ReadOperation::QueryAll, walk.stop());
  if (walk.stop().kind == WalkEnd::PastEnd) {
    const RecordLayout& last = walk.stop().record;
    all.push_back({last.id, static_cast<int32_t>(last.offset)});
  }
  if (stop != nullptr) *stop = walk.stop();
  return all;
}

std::vector<RecordRef> queryLinkIn(const std::vector<uint8_t>& bytes,
                                   uint32_t target, uint16_t kind) {
  std::vector<RecordRef> found;
  RecordWalk walk(bytes.data(), bytes.size());
  RecordLayout record;
  while (walk.next(record)) {
    if (hasMatchingLink(bytes.data(), record, target, kind)) {
      found.push_back({record.id, static_cast<int32_t>(record.offset)});
    }
  }
  throwIfDamage(ReadOperation::QueryLink, walk.stop());
  return found;
}

int32_t findOffsetIn(const std::vector<RecordRef>& all, uint32_t id) {
  for (const RecordRef& ref : all) {
    if (ref.id == id) return ref.offset;
  }
  return -1;
}

uint32_t nextRecordIdOf(const std::vector<RecordRef>& all) {
  uint32_t largest = 0;
  for (const RecordRef& ref : all) {
    if (ref.id > largest) largest = ref.id;
  }
  return nextIdAfter(largest);
}

}  // namespace letterfreq
