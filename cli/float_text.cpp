#include "cli/float_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
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

// 10^0 to 10^12.
constexpr uint64_t POWERS_OF_TEN[] = {1ull,
                                      10ull,
                                      100ull,
                                      1000ull,
                                      10000ull,
                                      100000ull,
                                      1000000ull,
                                      10000000ull,
                                      100000000ull,
                                      1000000000ull,
                                      10000000000ull,
                                      100000000000ull,
                                      1000000000000ull};

// |value| x 10^(8 - exponent) rounded to an integer, half to even as printf
// rounds, from the float's exact value mantissa x 2^-shift (shift >= 1).
// mantissa < 2^24 and exponent >= -4: the product stays below 2^64.
uint64_t scaledDigits(uint32_t mantissa, int shift, int exponent) {
  const uint64_t scaled = uint64_t{mantissa} * POWERS_OF_TEN[8 - exponent];
  uint64_t digits = scaled >> shift;
  const uint64_t rest = scaled - (digits << shift);
  const uint64_t half = uint64_t{1} << (shift - 1);
  if (rest > half || (rest == half && (digits & 1) != 0)) ++digits;
  return digits;
}

// Writes `length` digits and a point before digit `point` (none when the
// point falls after them).
char* writeDigits(char* out, const char* digits, int length, int point) {
  for (int k = 0; k < length; ++k) {
    if (k == point) *out++ = '.';
    *out++ = digits[k];
  }
  return out;
}

// "%.9g" of a float of magnitude 10^-4 to below 2^23, the text of nearly
// every score: no exponent, and the digits found with integers, exactly as
// printf finds them. False, nothing written, for any other value (and for
// a rounding this does not settle), which the general path then prints.
bool writeFixedFloat(char*& text, float value) {
  const float magnitude = std::fabs(value);
  if (!(magnitude >= 1e-4f && magnitude < 8388608.0f)) return false;
  int binaryExponent = 0;
  const float fraction = std::frexp(magnitude, &binaryExponent);  // [0.5, 1)
  const auto mantissa = static_cast<uint32_t>(std::ldexp(fraction, 24));
  const int shift = 24 - binaryExponent;  // magnitude = mantissa / 2^shift
  // The decimal exponent of the rounded digits, from a guess one off at most.
  int exponent =
      std::clamp(static_cast<int>(std::floor(std::log10(magnitude))), -4, 8);
  uint64_t digits = scaledDigits(mantissa, shift, exponent);
  if (digits >= POWERS_OF_TEN[9] && exponent < 8) {
    digits = scaledDigits(mantissa, shift, ++exponent);
  } else if (digits < POWERS_OF_TEN[8] && exponent > -4) {
    digits = scaledDigits(mantissa, shift, --exponent);
  }
  if (digits < POWERS_OF_TEN[8] || digits >= POWERS_OF_TEN[9]) return false;
  char nine[9];
  for (int k = 8; k >= 0; --k) {
    nine[k] = static_cast<char>('0' + digits % 10);
    digits /= 10;
  }
  // Trailing zeros of the fraction are left out, as %g leaves them.
  int length = 9;
  while (length - 1 > exponent && nine[length - 1] == '0') --length;
  char* out = text;
  if (std::signbit(value)) *out++ = '-';
  if (exponent < 0) {
    *out++ = '0';
    *out++ = '.';
    for (int k = -1; k > exponent; --k) *out++ = '0';
    out = writeDigits(out, nine, length, length);
  } else {
    out = writeDigits(out, nine, length, exponent + 1);
  }
  text = out;
  return true;
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

void appendFloatText(std::string& text, float value) {
  char digits[LONGEST_TEXT];
  char* end = digits;
  if (!writeFixedFloat(end, value)) {
    end = writeGeneral(digits, static_cast<double>(value), FLOAT_DIGITS);
  }
  text.append(digits, end);
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
