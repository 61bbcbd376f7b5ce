// The scorings of the methods over the 255 counts a language at a time, in
// plain C++: what profiles/match.h runs where the processor has no AVX2,
// and the oracle that the tests hold the lanes to. The same floats, bit for
// bit, as the lanes.
#pragma once

#include <cstdint>
#include <vector>

#include "profiles/match.h"

namespace letterfreq {
namespace plain {

void scoreDifference(const int32_t* sampleCounts, const LanguageTable& table,
                     std::vector<float>& scores);
void scoreDeviations(const int32_t* sampleCounts, const LanguageTable& table,
                     int k, std::vector<float>& scores);
void scoreTendencyPull(const int32_t* sampleCounts, const LanguageTable& table,
                       std::vector<float>& scores);

}  // namespace plain
}  // namespace letterfreq
