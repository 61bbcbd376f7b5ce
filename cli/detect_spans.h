// detect --spans: each SAMPLE (a file, or standard input) split into runs
// of one language (Detector::spans), one line or JSON object per run:
// SAMPLE, START and END (byte offsets, END not included), LANGUAGE (or
// its code with --codes) and CONFIDENCE. The sample is held in memory,
// up to SPANS_MAX_BYTES.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "letterfreq/detector.h"

namespace letterfreq {

struct CliContext;
struct SampleLimits;

inline constexpr size_t SPANS_MAX_BYTES = size_t{64} << 20;

// 0 when every sample was answered, 1 when one could not be read.
int detectSpans(const Detector& detector,
                const std::vector<std::string>& samples, bool json,
                bool codes, const SampleLimits& limits, CliContext& context);

}  // namespace letterfreq
