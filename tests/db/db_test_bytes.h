// Test helpers for the record engine: byte strings written as hex, the
// two golden records and their 41-byte file, and records built in one call.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

#include "db/record.h"

namespace letterfreq {
namespace testing {

using Bytes = std::vector<uint8_t>;

// "72 01 0e" -> {0x72, 0x01, 0x0e}; spaces and '|' are ignored.
inline Bytes hexBytes(const std::string& hex) {
  Bytes out;
  int high = -1;
  for (char c : hex) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else if (c == ' ' || c == '|' || c == '\n') {
      continue;
    } else {
      throw std::invalid_argument("not a hex digit in " + hex);
    }
    if (high < 0) {
      high = digit;
    } else {
      out.push_back(static_cast<uint8_t>(high * 16 + digit));
      high = -1;
    }
  }
  if (high >= 0) throw std::invalid_argument("odd hex length in " + hex);
  return out;
}

inline Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts)
    out.insert(out.end(), part.begin(), part.end());
  return out;
}

inline std::string asString(const Bytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

inline Bytes asBytes(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

// Record 257: no fields, a link to 2 of kind 1, data "Latin" and its NUL.
inline const Bytes LATIN_RECORD = hexBytes(
    "72 | 01 01 00 00 | 0E 00 00 00 | 00 | 01 | 02 00 00 00 | 01 00 |"
    "4C 61 74 69 6E 00");
// Record 258: field (tag 0x0102, kind 3, value 1000), no links, no data.
inline const Bytes FIELD_RECORD =
    hexBytes("72 | 02 01 00 00 | 09 00 00 00 | 01 | 02 01 03 E8 03 00 00 | 00");
// Both, one after the other: 41 bytes.
inline const Bytes TWO_RECORD_FILE = concat({LATIN_RECORD, FIELD_RECORD});

// A record with the given id, links (target, kind) and text data.
inline Record textRecord(uint32_t id, std::initializer_list<RecordLink> links,
                         const char* text) {
  Record record;
  record.clear();
  record.id(id);
  for (const RecordLink& link : links) record.add_link(link);
  record.set_data(text);
  return record;
}

inline Record latinRecord() { return textRecord(257, {{2, 1}}, "Latin"); }

inline Record fieldRecord() {
  Record record;
  record.id(258);
  record.add_field({0x0102, 3, 1000});
  record.set_data(nullptr, 0);
  return record;
}

inline Bytes dataOf(const Record& record) {
  return Bytes(record.data(), record.data() + record.dataLength());
}

}  // namespace testing
}  // namespace letterfreq
