// The counted bytes found with AVX-512 (byte compares into mask registers,
// the kept bytes of a block compressed in one instruction) and the markup
// state worked out with bit deposit and carry-less multiplication, for
// processors that have them: chosen at run time (bestGatherLanes in
// sample/counted_bytes.h). The same bytes, state and counts as the basic
// lanes, which the randomised tests compare it with.
#pragma once

#include <cstdint>

#include "sample/counted_bytes.h"

namespace letterfreq {
namespace counted_bytes_wide {

// Whether this processor runs gather().
bool available();

// gatherCountedBytes; only where available().
const uint8_t* gather(const uint8_t* p, const uint8_t* end, bool filterMarkup,
                      CountedBytesState& state, uint8_t*& out,
                      const uint8_t* outEnd);

}  // namespace counted_bytes_wide
}  // namespace letterfreq
