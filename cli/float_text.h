// How letterfreq-cli prints a float: "%.9g", which reads back as the same
// float, and "nan" for any NaN whatever its sign bit (0/0 gives a negative
// NaN, which printf would show as "-nan"). In JSON the same value, or null.
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <string>

namespace letterfreq {

std::string floatText(float value);
nlohmann::json jsonFloat(float value);

}  // namespace letterfreq
