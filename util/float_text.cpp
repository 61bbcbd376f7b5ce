#include "util/float_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
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
  // Without a branch: which way a score rounds is anyone's guess.
  digits += static_cast<uint64_t>(rest > half) |
            (static_cast<uint64_t>(rest == half) & digits);
  return digits;
}

// "00" to "99": two digits a step.
constexpr char DIGIT_PAIRS[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536"
    "37383940414243444546474849505152535455565758596061626364656667686970717273"
    "7475767778798081828384858687888990919293949596979899";

// The 9 decimal digits of `digits` (10^8 to below 10^9).
void writeNine(char* out, uint32_t digits) {
  const uint32_t high = digits / 10000;  // 5 digits
  const uint32_t low = digits % 10000;   // 4 digits
  out[0] = static_cast<char>('0' + high / 10000);
  std::memcpy(out + 1, DIGIT_PAIRS + 2 * (high / 100 % 100), 2);
  std::memcpy(out + 3, DIGIT_PAIRS + 2 * (high % 100), 2);
  std::memcpy(out + 5, DIGIT_PAIRS + 2 * (low / 100), 2);
  std::memcpy(out + 7, DIGIT_PAIRS + 2 * (low % 100), 2);
}

// Trailing zeros of the fraction are left out, as %g leaves them, and the
// point with them, from a text that ends in 9 digits or 8 fraction digits
// at most: counted in the last eight characters at once (the first digit
// is never 0, and the point stops the count).
char* withoutTrailingZeros(char* end) {
  uint64_t last;  // the last character in the highest byte
  std::memcpy(&last, end - 8, sizeof last);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  last = __builtin_bswap64(last);
#endif
  const uint64_t notZero = last ^ 0x3030303030303030ull;
  const int zeros = notZero == 0 ? 8 : __builtin_clzll(notZero) / 8;
  end -= zeros;
  return end - (end[-1] == '.' ? 1 : 0);
}

// "%.9g" of a float of magnitude 10^-4 to below 2^23, the text of nearly
// every score: no exponent, and the digits found with integers, exactly as
// printf finds them. False, nothing written, for any other value (and for
// a rounding this does not settle), which the general path then prints.
bool writeFixedFloat(char*& text, float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  const uint32_t magnitude = bits & 0x7FFFFFFFu;
  // The bits of 1e-4f and of 2^23; NaNs and infinities lie above.
  if (magnitude < 0x38D1B717u || magnitude >= 0x4B000000u) return false;
  const int biased = static_cast<int>(magnitude >> 23);
  const uint32_t mantissa = (magnitude & 0x7FFFFFu) | 0x800000u;
  const int shift = 150 - biased;  // the float is mantissa / 2^shift
  // floor(log10(2^(biased - 127))): the decimal exponent or one below it.
  int exponent = std::max(((biased - 127) * 1233) >> 12, -4);
  uint64_t digits = scaledDigits(mantissa, shift, exponent);
  if (digits >= POWERS_OF_TEN[9] && exponent < 8) {
    digits = scaledDigits(mantissa, shift, ++exponent);
  }
  if (digits < POWERS_OF_TEN[8] || digits >= POWERS_OF_TEN[9]) return false;
  char* out = text;
  *out = '-';
  out += std::signbit(value) ? 1 : 0;
  const auto nine = static_cast<uint32_t>(digits);
  if (exponent < 0) {
    // "0." and -1 - exponent zeros before the digits.
    std::memcpy(out, "0.000", 5);
    out += 1 - exponent;
    writeNine(out, nine);
    out += 9;
  } else {
    // The digits with the point moved in after the first exponent + 1.
    writeNine(out + 1, nine);
    std::memmove(out, out + 1, static_cast<size_t>(exponent) + 1);
    out[exponent + 1] = '.';
    out += 10;
    if (exponent == 8) --out;  // no fraction: no point
  }
  if (exponent < 8) out = withoutTrailingZeros(out);
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

char* writeFloatText(char* out, float value) {
  if (writeFixedFloat(out, value)) return out;
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
