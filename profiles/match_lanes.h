// The lane sets that the scoring of the methods over the 255 counts is
// summed in (profiles/match.h chooses between them): SSE2 lanes
// (profiles/match_lanes.cpp) and AVX2 lanes for processors that have them
// (profiles/match_lanes_wide.cpp), both built from the steps of
// profiles/match_lane_steps.h. Internal to the scoring; nothing else
// includes it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "profiles/match.h"

namespace letterfreq {
namespace match_lanes {

// The three scorings of profiles/match.h over the sample's frequencies
// q(b) (not its counts), in one lane set; all null where that lane set is
// not built or the processor lacks it.
struct Scorers {
  void (*difference)(const float* q, const LanguageTable& table,
                     std::vector<float>& scores);
  void (*deviations)(const float* q, const LanguageTable& table, int k,
                     std::vector<float>& scores);
  void (*tendencyPull)(const float* q, const LanguageTable& table,
                       std::vector<float>& scores);
};

Scorers basicScorers();  // SSE2
Scorers wideScorers();   // AVX2

// match_steps::sampleFrequencies several at a time where SIMD is built:
// the same conversions and divisions, so the same floats.
std::array<float, PROFILE_SLOTS> laneFrequencies(const int32_t* counts);

}  // namespace match_lanes
}  // namespace letterfreq
