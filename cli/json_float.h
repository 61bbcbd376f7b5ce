// A float in letterfreq-cli's JSON: the number its text
// (util/float_text.h) reads back as, or null for a NaN.
#pragma once

#include <nlohmann/json_fwd.hpp>

namespace letterfreq {

nlohmann::json jsonFloat(float value);

}  // namespace letterfreq
