// The bytes of a database file: a headerless sequence of records, each
//
//   offset  size  field
//   0       1     delimiter, always RECORD_DELIM ('r')
//   1       4     id
//   5       4     bodyLength = 2 + 7*F + 6*L + D (bytes after this word)
//   9       1     F, the field count
//   10      7*F   fields: tag (2), kind (1), value (4)
//   10+7F   1     L, the link count
//   11+7F   6*L   links: target (4), kind (2)
//   11+7F+6L D    the data block
//
// All integers little-endian, no padding; a record takes 9 + bodyLength
// bytes. New ids are one more than max(256, largest id in the file).
#pragma once

#include <cstdint>

namespace letterfreq {

constexpr uint8_t RECORD_DELIM = 0x72;
constexpr uint32_t FIRST_RECORD_ID = 257;
constexpr uint32_t RECORD_HEAD_SIZE = 9;  // delimiter, id, bodyLength
constexpr uint32_t FIELD_SIZE = 7;
constexpr uint32_t LINK_SIZE = 6;
// Offsets are signed 32-bit values: no database file is longer than this.
constexpr uint32_t MAX_FILE_SIZE = 2147483647;

}  // namespace letterfreq
