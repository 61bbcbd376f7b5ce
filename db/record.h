// Record: one database record in memory (id, fields, links, data block).
// It owns its arrays and data; copies are deep. It knows one file rule:
// the value of the record's length word (body_length). Entries keep the
// order in which they were added.
#pragma once

#include <cstdint>
#include <vector>

namespace letterfreq {

// The most fields or links one record can hold: the file keeps each count
// in a single byte.
constexpr uint8_t MAX_RECORD_ENTRIES = 255;

struct RecordField {
  uint16_t tag = 0;
  uint8_t kind = 0;
  uint32_t value = 0;
};

struct RecordLink {
  uint32_t target = 0;
  uint16_t kind = 0;
};

class Record {
 public:
  Record() = default;  // the reset state

  void reset();  // id 0, no fields, no links, no data block
  void clear();  // id 0, no fields, no links, data = one zero byte
  // A block of exactly `length` bytes (0 gives an empty block). `bytes` may
  // be null only when `length` is 0.
  void set_data(const uint8_t* bytes, uint32_t length);
  void set_data(const char* text);  // the text and its terminating NUL
  // Both refuse (return false, record unchanged) at 255 entries, so a count
  // never wraps to 0.
  bool add_field(const RecordField& field);
  bool add_link(const RecordLink& link);
  void remove_field(uint8_t index);  // nothing when index >= fieldCount
  void remove_link(uint8_t index);   // nothing when index >= linkCount
  uint32_t body_length() const;      // 2 + 7*F + 6*L + D, 32-bit unsigned

  uint32_t id() const { return id_; }
  void id(uint32_t value) { id_ = value; }
  uint8_t fieldCount() const { return static_cast<uint8_t>(fields_.size()); }
  // The entry at `index`; std::out_of_range past the count.
  const RecordField& field(uint8_t index) const { return fields_.at(index); }
  uint8_t linkCount() const { return static_cast<uint8_t>(links_.size()); }
  const RecordLink& link(uint8_t index) const { return links_.at(index); }
  uint32_t dataLength() const { return static_cast<uint32_t>(data_.size()); }
  // May be null when dataLength() is 0.
  const uint8_t* data() const { return data_.data(); }

 private:
  uint32_t id_ = 0;
  std::vector<RecordField> fields_;
  std::vector<RecordLink> links_;
  std::vector<uint8_t> data_;
};

}  // namespace letterfreq
