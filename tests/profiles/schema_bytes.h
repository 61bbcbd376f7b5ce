// Test helper: the bytes of database records written by hand, without the
// engine, so that tests can build any file (also damaged ones) and compare
// files byte for byte. Each record has no fields and the links given.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "profiles/schema.h"

namespace letterfreq {
namespace testing {

inline void putU32(std::string& out, uint32_t value) {
  for (int k = 0; k < 4; ++k) out.push_back(static_cast<char>(value >> (8 * k)));
}

inline void putU16(std::string& out, uint16_t value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>(value >> 8));
}

// One record: links as (target, kind) pairs, then the data block as is.
inline std::string recordBytes(
    uint32_t id, std::initializer_list<std::pair<uint32_t, uint16_t>> links,
    const std::string& data) {
  std::string out;
  out.push_back('r');
  putU32(out, id);
  putU32(out, static_cast<uint32_t>(2 + 6 * links.size() + data.size()));
  out.push_back('\0');  // no fields
  out.push_back(static_cast<char>(links.size()));
  for (const auto& [target, kind] : links) {
    putU32(out, target);
    putU16(out, kind);
  }
  return out + data;
}

// A text with its NUL, as names and sources are stored.
inline std::string withNul(const std::string& text) {
  return text + std::string(1, '\0');
}

inline std::string languageRecord(uint32_t id, const std::string& name) {
  return recordBytes(id, {{LANGUAGE_ROOT, KIND_MEMBER}}, withNul(name));
}

inline std::string entryRecord(uint32_t id, uint32_t language,
                               const std::string& name) {
  return recordBytes(id, {{language, KIND_MEMBER}}, withNul(name));
}

inline std::string sourceRecord(uint32_t id, uint32_t entry,
                                const std::string& source) {
  return recordBytes(id, {{entry, KIND_SOURCE}}, withNul(source));
}

// 255 counts (missing ones 0) as 32-bit little-endian integers.
inline std::string countArrayData(
    std::initializer_list<std::pair<int, int32_t>> counts) {
  std::vector<int32_t> all(255, 0);
  for (const auto& [b, count] : counts) all[static_cast<size_t>(b)] = count;
  std::string out;
  for (int32_t count : all) putU32(out, static_cast<uint32_t>(count));
  return out;
}

inline std::string countArrayRecord(
    uint32_t id, uint32_t entry,
    std::initializer_list<std::pair<int, int32_t>> counts) {
  return recordBytes(id, {{entry, KIND_COUNT_ARRAY}}, countArrayData(counts));
}

inline std::string sortArrayRecord(uint32_t id, uint32_t entry,
                                   const std::string& order) {
  return recordBytes(id, {{entry, KIND_SORT_ARRAY}}, order);
}

// A whole entry as the program writes it: entry, source, Count Array and
// Sort Array with the ids id .. id + 3. The Sort Array lists the bytes of
// `counts` in the order given.
inline std::string entryBytes(
    uint32_t id, uint32_t language, const std::string& name,
    std::initializer_list<std::pair<int, int32_t>> counts) {
  std::string order;
  for (const auto& [b, count] : counts) order.push_back(static_cast<char>(b));
  return entryRecord(id, language, name) + sourceRecord(id + 1, id, name) +
         countArrayRecord(id + 2, id, counts) +
         sortArrayRecord(id + 3, id, order);
}

}  // namespace testing
}  // namespace letterfreq
