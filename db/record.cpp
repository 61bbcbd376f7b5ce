#include "db/record.h"

#include <cstring>
#include <stdexcept>

namespace letterfreq {

void Record::reset() {
  id_ = 0;
  fields_.clear();
  links_.clear();
  data_.clear();
}

void Record::clear() {
  id_ = 0;
  fields_.clear();
  links_.clear();
  data_.assign(1, 0);
}

void Record::set_data(const uint8_t* bytes, uint32_t length) {
  if (bytes == nullptr && length != 0) {
    throw std::invalid_argument("Record::set_data: no bytes for a length");
  }
  data_.assign(bytes, bytes + length);
}

void Record::set_data(const char* text) {
  if (text == nullptr) text = "";  // the empty text: one zero byte
  const auto* bytes = reinterpret_cast<const uint8_t*>(text);
  data_.assign(bytes, bytes + std::strlen(text) + 1);
}

bool Record::add_field(const RecordField& field) {
  if (fields_.size() >= MAX_RECORD_ENTRIES) return false;
  fields_.push_back(field);
  return true;
}

bool Record::add_link(const RecordLink& link) {
  if (links_.size() >= MAX_RECORD_ENTRIES) return false;
  links_.push_back(link);
  return true;
}

void Record::remove_field(uint8_t index) {
  if (index < fields_.size()) fields_.erase(fields_.begin() + index);
}

void Record::remove_link(uint8_t index) {
  if (index < links_.size()) links_.erase(links_.begin() + index);
}

uint32_t Record::body_length() const {
  // Unsigned 32-bit arithmetic on purpose: this is the file's length word.
  return 2u + 7u * fieldCount() + 6u * linkCount() + dataLength();
}

}  // namespace letterfreq
