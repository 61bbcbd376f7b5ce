// The scoring of the methods over the 255 counts in 256-bit AVX2 lanes, for
// processors that have them (chosen at run time by the SSE2 version,
// profiles/match_lanes.cpp): a whole block of eight languages per
// instruction. Each lane does exactly the float operations of the plain
// version in the same order, so every score is the same float bit for bit.
// Internal to the scoring; nothing else includes it.
#pragma once

#include <vector>

#include "profiles/match.h"

namespace letterfreq {
namespace match_lanes {

// Whether this processor runs the AVX2 lanes.
bool wideLanesAvailable();

// The three scorings over the sample's frequencies q(b) (not its counts),
// as their namesakes in profiles/match.h. Only where wideLanesAvailable().
void scoreDifferenceWide(const float* q, const LanguageTable& table,
                         std::vector<float>& scores);
void scoreDeviationsWide(const float* q, const LanguageTable& table, int k,
                         std::vector<float>& scores);
void scoreTendencyPullWide(const float* q, const LanguageTable& table,
                           std::vector<float>& scores);

}  // namespace match_lanes
}  // namespace letterfreq
