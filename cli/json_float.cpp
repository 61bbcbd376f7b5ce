#include "cli/json_float.h"

#include <cmath>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "util/float_text.h"

namespace letterfreq {

nlohmann::json jsonFloat(float value) {
  if (std::isnan(value)) return nullptr;
  return std::strtod(floatText(value).c_str(), nullptr);
}

}  // namespace letterfreq
