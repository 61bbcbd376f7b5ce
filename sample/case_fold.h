// Lower case for the word and n-gram features, so that text in capitals
// gives the features of the same text in small letters: ASCII A-Z, and the
// two-byte UTF-8 letters of sample/case_fold_table.h, each to a letter of
// the same length, so a folded stream is as long as the stream. Every other
// byte stays as it is.
#pragma once

#include <cstdint>

namespace letterfreq {

inline uint8_t foldAsciiByte(uint8_t byte) {
  return (byte >= 'A' && byte <= 'Z') ? static_cast<uint8_t>(byte + 32) : byte;
}

// A lead byte of a two-byte UTF-8 sequence for a code point of
// U+0080..U+07FF, and a byte that continues one.
inline bool isTwoByteLead(uint8_t byte) { return byte >= 0xC2 && byte <= 0xDF; }
inline bool isContinuation(uint8_t byte) { return (byte & 0xC0) == 0x80; }

// The lower case of every code point 0..2047 (itself where there is none
// in the table); made once, lives as long as the program.
const uint16_t* caseFoldLookup();

// Folds the two-byte sequence lead, next (a lead and a continuation byte)
// in place.
inline void foldTwoByte(const uint16_t* lookup, uint8_t& lead, uint8_t& next) {
  const uint16_t code = lookup[((lead & 0x1Fu) << 6) | (next & 0x3Fu)];
  lead = static_cast<uint8_t>(0xC0 | (code >> 6));
  next = static_cast<uint8_t>(0x80 | (code & 0x3F));
}

}  // namespace letterfreq
