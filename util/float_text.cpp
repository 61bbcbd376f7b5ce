#include "util/float_text.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace letterfreq {

namespace {

// The longest text of 17 digits: sign, digit, point, 16 digits, "e-308".
constexpr size_t LONGEST_TEXT = 32;
static_assert(LONGEST_TEXT <= FLOAT_TEXT_ROOM, "a float's text fits its room");

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
  std::string text;
  appendFloatText(text, value);
  return text;
}

char* writeFloatText(char* out, float value) {
  return writeGeneral(out, static_cast<double>(value), FLOAT_DIGITS);
}

void appendFloatText(std::string& text, float value) {
  char digits[FLOAT_TEXT_ROOM];
  text.append(digits, writeFloatText(digits, value));
}

char* writeDecimal(char* out, size_t value) {
  return std::to_chars(out, out + DECIMAL_ROOM, value).ptr;
}

}  // namespace letterfreq
