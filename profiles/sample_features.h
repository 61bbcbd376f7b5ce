// SampleFeatures: a sample's counters of the feature sets
// (profiles/feature_sets.h), one slot per row, each made when first
// attached and kept for the next samples. A caller attaches what a method
// needs, or every set (to store them with an entry), to its counting pass
// with one call, and hands a match the counts with one more.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "profiles/feature_sets.h"
#include "profiles/methods.h"
#include "sample/counting_pass.h"

namespace letterfreq {

class SampleFeatures {
 public:
  // Attaches to `pass` the counter of the feature set `method` reads, if
  // it reads one.
  void attachFor(const MatchMethod& method, CountingPass& pass);
  // Attaches the counter of every feature set.
  void attachAll(CountingPass& pass);

  // The counts of one set; not counted when never attached.
  FeatureCounts of(FeatureSetCode code) const;
  // What a match needs: `counts` and every set counted here.
  SampleCounts with(const int32_t* counts) const;

 private:
  FeatureCounter& counter(FeatureSetCode code);

  std::array<std::unique_ptr<FeatureCounter>, FEATURE_SET_COUNT> counters_;
};

}  // namespace letterfreq
