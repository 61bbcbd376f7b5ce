#include "cli/float_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>

namespace letterfreq {

std::string floatText(float value) {
  if (std::isnan(value)) return "nan";
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
  return text;
}

nlohmann::json jsonFloat(float value) {
  if (std::isnan(value)) return nullptr;
  return std::strtod(floatText(value).c_str(), nullptr);
}

}  // namespace letterfreq
