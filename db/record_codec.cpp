#include "db/record_codec.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

#include "db/record_format.h"
#include "db/record_texts.h"

namespace letterfreq {

void write_u8(std::vector<uint8_t>& out, uint8_t value) {
  out.push_back(value);
}

void write_u16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value & 0xFF));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void write_u32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) {
    out.push_back(static_cast<uint8_t>((value >> shift) & 0xFF));
  }
}

uint64_t encodedRecordSize(const Record& record) {
  return uint64_t{RECORD_HEAD_SIZE} + 2 +
         uint64_t{FIELD_SIZE} * record.fieldCount() +
         uint64_t{LINK_SIZE} * record.linkCount() + record.dataLength();
}

void appendEncodedRecord(std::vector<uint8_t>& out, const Record& record) {
  const uint64_t size = encodedRecordSize(record);
  if (size > uint64_t{MAX_FILE_SIZE} - out.size()) {
    throw std::runtime_error(FILE_TOO_LARGE_TEXT);
  }
  // Room for the record, at least doubling: a batch of appends copies the
  // buffer a few times, not once per record.
  const size_t needed = out.size() + static_cast<size_t>(size);
  if (needed > out.capacity())
    out.reserve(std::max(needed, 2 * out.capacity()));
  write_u8(out, RECORD_DELIM);
  write_u32(out, record.id());
  write_u32(out, record.body_length());
  write_u8(out, record.fieldCount());
  for (uint8_t i = 0; i < record.fieldCount(); ++i) {
    const RecordField& field = record.field(i);
    write_u16(out, field.tag);
    write_u8(out, field.kind);
    write_u32(out, field.value);
  }
  write_u8(out, record.linkCount());
  for (uint8_t i = 0; i < record.linkCount(); ++i) {
    const RecordLink& link = record.link(i);
    write_u32(out, link.target);
    write_u16(out, link.kind);
  }
  out.insert(out.end(), record.data(), record.data() + record.dataLength());
}

std::vector<uint8_t> encodeRecord(const Record& record) {
  std::vector<uint8_t> out;
  appendEncodedRecord(out, record);
  return out;
}

}  // namespace letterfreq
