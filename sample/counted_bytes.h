// The bytes the counting rule counts, found 64 at a time: what the rule
// (sample/counting_rule.h) runs on. A block of 64 bytes is classified as a
// whole: bit masks of '<', '>', '&', ';', byte 255 and white space, from
// which the markup and entity states of every byte follow with shifts
// instead of a branch per tag, and the bytes kept are copied out span by
// span, in SSE2 lanes.
//
// The state carries across calls, so a source may be handed over in pieces
// cut anywhere.
#pragma once

#include <cstddef>
#include <cstdint>

namespace letterfreq {

struct CountedBytesState {
  bool inMarkup = false;
  bool inEntity = false;  // skipping from an '&' up to its ';'
  uint8_t previous = 0;   // the last byte tested for a white-space run
};

// Room `out` needs past the `outEnd` given to gatherCountedBytes.
constexpr size_t COUNTED_BYTES_SLACK = 128;

// Writes the bytes of [p, end) that the rule counts (CR as LF; byte 255
// and folded white space left out) to `out`, advancing it, until the piece
// ends or `out` passes `outEnd` (64 bytes at most later); returns where it
// stopped. Bytes may be written up to COUNTED_BYTES_SLACK past the end of
// what is gathered.
const uint8_t* gatherCountedBytes(const uint8_t* p, const uint8_t* end,
                                  bool filterMarkup, CountedBytesState& state,
                                  uint8_t*& out, const uint8_t* outEnd);

}  // namespace letterfreq
