#include "cli/float_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <nlohmann/json.hpp>

namespace letterfreq {

std::string generalText(double value, int precision) {
  if (std::isnan(value)) return "nan";
  // The longest text of 17 digits: sign, digit, point, 16 digits, "e-308".
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value,
                                    std::chars_format::general, precision);
  return std::string(text, result.ptr);
}

std::string floatText(float value) {
  return generalText(static_cast<double>(value), FLOAT_DIGITS);
}

nlohmann::json jsonFloat(float value) {
  if (std::isnan(value)) return nullptr;
  return std::strtod(floatText(value).c_str(), nullptr);
}

}  // namespace letterfreq
