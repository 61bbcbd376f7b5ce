// Bytes <-> values for the database file: the little-endian integer
// helpers (byte by byte, whatever the host) and a Record's encoding. Every
// integer the engine writes or reads goes through these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "db/record.h"

namespace letterfreq {

// Append the value's low 1, 2 or 4 bytes, least significant first.
void write_u8(std::vector<uint8_t>& out, uint8_t value);
void write_u16(std::vector<uint8_t>& out, uint16_t value);
void write_u32(std::vector<uint8_t>& out, uint32_t value);

// Read a little-endian value at `bytes` (the caller checks the bounds).
inline uint8_t read_u8(const uint8_t* bytes) { return bytes[0]; }
inline uint16_t read_u16(const uint8_t* bytes) {
  return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}
// Copied out whole and turned only on a big-endian host: compilers do not
// always join four byte reads into one load, and loading a database is
// mostly reading these.
inline uint32_t read_u32(const uint8_t* bytes) {
  uint32_t value;
  std::memcpy(&value, bytes, sizeof value);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  value = __builtin_bswap32(value);
#endif
  return value;
}

// The first `n` (0 to 4) bytes of a little-endian word; the bytes after
// them count as 0 (a block that ends inside its last word).
inline uint32_t read_u32_prefix(const uint8_t* bytes, size_t n) {
  if (n >= 4) return read_u32(bytes);
  uint32_t value = 0;
  for (size_t k = 0; k < n; ++k) value |= uint32_t{bytes[k]} << (8 * k);
  return value;
}

// The record's bytes as they stand in the file: delimiter, id,
// body_length(), fields, links, data. Throws std::runtime_error when the
// record would not fit a database file (over 2,147,483,647 bytes).
std::vector<uint8_t> encodeRecord(const Record& record);
// The same, appended to `out`.
void appendEncodedRecord(std::vector<uint8_t>& out, const Record& record);
// 9 + body_length() without wrapping.
uint64_t encodedRecordSize(const Record& record);

}  // namespace letterfreq
