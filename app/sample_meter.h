// The sample meter: "Go" loads the sample on a SampleLoadJob and, when the
// load has not ended after METER_DELAY, shows a modal ProgressMeter
// ("Loading sample...", the bytes read so far and the share read when the
// size is known) with "Cancel". Cancel, closing the meter or closing the
// window it belongs to stops the load, which then ends as a failed load.
// While the meter is up no other action of the window can start.
#pragma once

#include <chrono>
#include <string>

#include "app/sample_load_job.h"
#include "sample/sample_limits.h"

class Fl_Window;

namespace letterfreq {

// A load that ends sooner shows no meter.
inline constexpr std::chrono::milliseconds METER_DELAY{300};
// How often the meter shows the bytes read: often enough to see it move,
// seldom enough that drawing it costs the count nothing.
inline constexpr double METER_REFRESH_SECONDS = 0.1;

// Loads `sampleText` within `limits` (the overall limit bounds a hung
// server; limits.cancel is the job's own) and returns when the load has
// ended. The meter opens over `owner` after `delay`.
LoadedSample loadSampleWithMeter(Fl_Window& owner,
                                 const std::string& sampleText,
                                 const SampleLimits& limits,
                                 std::chrono::milliseconds delay = METER_DELAY);

}  // namespace letterfreq
