// The bytes the counting rule counts, found 64 at a time: what the rule
// (sample/counting_rule.h) runs on. A block of 64 bytes is classified as a
// whole: bit masks of '<', '>', '&', ';', byte 255 and white space, from
// which the markup and entity states of every byte follow with shifts
// instead of a branch per tag, and the bytes kept are copied out span by
// span. A block of text with nothing to decide in it is copied whole and
// counted from the source as the fastest plain byte histogram counts.
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

// Four tables of 256 tallies, summed when read: a byte repeated in a row
// does not wait for its own previous increment.
using CountedTables = uint64_t (*)[256];

// Room `out` needs past the `outEnd` given to gatherCountedBytes.
constexpr size_t COUNTED_BYTES_SLACK = 128;

// Writes the bytes of [p, end) that the rule counts (CR as LF; byte 255
// and folded white space left out) to `out`, advancing it, and adds them
// to `tables`, until the piece ends or `out` passes `outEnd` (64 bytes at
// most later); returns where it stopped. Bytes may be written up to
// COUNTED_BYTES_SLACK past the end of what is gathered. A CR counted as
// LF may be added to slot '\r' instead of '\n' (text is counted from the
// source as it stands): whoever reads the tables adds that slot to '\n'.
const uint8_t* gatherCountedBytes(const uint8_t* p, const uint8_t* end,
                                  bool filterMarkup, CountedBytesState& state,
                                  uint8_t*& out, const uint8_t* outEnd,
                                  CountedTables tables);

}  // namespace letterfreq
