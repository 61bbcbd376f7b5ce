// The scoring of the methods over the 255 counts in AVX2 lanes, for
// processors that have them (profiles/match.cpp asks for them), built from
// the steps of profiles/match_lane_steps.h. Internal to the scoring;
// nothing else includes it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "profiles/match.h"

namespace letterfreq {
namespace match_lanes {

// The three scorings of profiles/match.h over the sample's frequencies
// q(b) (not its counts).
struct Scorers {
  void (*difference)(const float* q, const LanguageTable& table,
                     std::vector<float>& scores);
  void (*deviations)(const float* q, const LanguageTable& table, int k,
                     std::vector<float>& scores);
  void (*tendencyPull)(const float* q, const LanguageTable& table,
                       std::vector<float>& scores);
};

// The AVX2 scorers, or null where the processor lacks AVX2.
const Scorers* avx2Scorers();

}  // namespace match_lanes
}  // namespace letterfreq
