// How the program prints a float: "%.9g", which reads back as the same
// float, and "nan" for any NaN whatever its sign bit (0/0 gives a negative
// NaN, which printf would show as "-nan"). The digits come from
// std::to_chars, which gives exactly the digits of printf's "%.*g" without
// its format parsing and locale; those of a float from 10^-4 to 2^23
// (nearly every score) from integer arithmetic on its exact value, faster
// still, the same digits.
#pragma once

#include <cstddef>
#include <string>

namespace letterfreq {

// The digits that read back as the same float.
constexpr int FLOAT_DIGITS = 9;

// "%.*g" of `value` with `precision` significant digits (1 to 17); "nan"
// for any NaN, "inf" and "-inf" as printf prints them.
std::string generalText(double value, int precision);

// The room that writeFloatText and writeDecimal may write into.
constexpr size_t FLOAT_TEXT_ROOM = 32;
constexpr size_t DECIMAL_ROOM = 20;

std::string floatText(float value);
// floatText(value) written from `out` on; returns its end.
char* writeFloatText(char* out, float value);
// floatText(value) appended to `text`.
void appendFloatText(std::string& text, float value);
// A count in decimal from `out` on, as std::to_string writes it; returns
// its end.
char* writeDecimal(char* out, size_t value);

}  // namespace letterfreq
