#include "cli/float_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <nlohmann/json.hpp>

namespace letterfreq {

namespace {

// The longest text of 17 digits: sign, digit, point, 16 digits, "e-308".
constexpr size_t LONGEST_TEXT = 32;

// Writes "%.*g" of `value` from `text` on; returns its end.
char* writeGeneral(char* text, double value, int precision) {
  if (std::isnan(value)) {
    std::memcpy(text, "nan", 3);
    return text + 3;
  }
  return std::to_chars(text, text + LONGEST_TEXT, value,
                       std::chars_format::general, precision)
      .ptr;
}

}  // namespace

std::string generalText(double value, int precision) {
  char text[LONGEST_TEXT];
  return std::string(text, writeGeneral(text, value, precision));
}

std::string floatText(float value) {
  return generalText(static_cast<double>(value), FLOAT_DIGITS);
}

void appendFloatText(std::string& text, float value) {
  char digits[LONGEST_TEXT];
  text.append(digits,
              writeGeneral(digits, static_cast<double>(value), FLOAT_DIGITS));
}

void appendDecimal(std::string& text, size_t value) {
  char digits[LONGEST_TEXT];
  text.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

nlohmann::json jsonFloat(float value) {
  if (std::isnan(value)) return nullptr;
  return std::strtod(floatText(value).c_str(), nullptr);
}

}  // namespace letterfreq
