#include "cli/json_float.h"
#include "util/float_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

namespace letterfreq {
namespace {

std::string printfText(double value, int precision) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*g", precision, value);
  return text;
}

float floatFromBits(uint32_t bits) {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

uint32_t floatBits(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

double doubleFromBits(uint64_t bits) {
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// The values where digit rounding and the choice between fixed and
// exponent notation change: zeros, integers, powers of ten and their
// neighbours, the float limits and subnormals.
std::vector<double> edgeValues() {
  std::vector<double> values = {0.0,
                                -0.0,
                                1.0,
                                -1.0,
                                0.5,
                                1.0 / 3.0,
                                999999999.0,
                                1e9,
                                123456789.0,
                                1234567890.0,
                                9.9999999950000005e-5,
                                0.0001,
                                0.00001};
  for (int e = -45; e <= 40; ++e) {
    const double ten = std::pow(10.0, e);
    values.push_back(ten);
    values.push_back(std::nextafter(ten, 0.0));
    values.push_back(std::nextafter(ten, 1e300));
    values.push_back(-ten);
    values.push_back(static_cast<float>(ten));
  }
  for (int64_t n = -1000; n <= 1000; n += 7) values.push_back(double(n));
  values.push_back(std::numeric_limits<float>::max());
  values.push_back(std::numeric_limits<float>::min());
  values.push_back(std::numeric_limits<float>::denorm_min());
  values.push_back(std::numeric_limits<float>::lowest());
  values.push_back(std::numeric_limits<double>::max());
  values.push_back(std::numeric_limits<double>::denorm_min());
  values.push_back(std::numeric_limits<double>::infinity());
  values.push_back(-std::numeric_limits<double>::infinity());
  return values;
}

TEST(FloatTextTest, FloatsPrintAsPrintfPrintsThem) {
  for (double value : edgeValues()) {
    const float f = static_cast<float>(value);
    EXPECT_EQ(floatText(f), printfText(f, FLOAT_DIGITS)) << value;
  }
  // Random bit patterns cover every exponent, subnormals and both
  // infinities; NaNs are checked below.
  std::mt19937 random(16);
  for (int i = 0; i < 2000000; ++i) {
    const float f = floatFromBits(static_cast<uint32_t>(random()));
    if (std::isnan(f)) continue;
    ASSERT_EQ(floatText(f), printfText(f, FLOAT_DIGITS)) << std::hexfloat << f;
  }
  // Scores lie mostly between -1 and 1.
  std::uniform_real_distribution<float> scores(-1.0f, 1.0f);
  for (int i = 0; i < 200000; ++i) {
    const float f = scores(random);
    ASSERT_EQ(floatText(f), printfText(f, FLOAT_DIGITS)) << std::hexfloat << f;
  }
}

TEST(FloatTextTest, DoublesPrintAsPrintfAtEveryPrecision) {
  std::mt19937_64 random(16);
  for (int precision = 1; precision <= 17; ++precision) {
    for (double value : edgeValues()) {
      EXPECT_EQ(generalText(value, precision), printfText(value, precision))
          << value << " at " << precision;
    }
    for (int i = 0; i < 100000; ++i) {
      const double value = doubleFromBits(random());
      if (std::isnan(value)) continue;
      ASSERT_EQ(generalText(value, precision), printfText(value, precision))
          << std::hexfloat << value << " at " << precision;
    }
  }
}

TEST(FloatTextTest, ScoreMagnitudesPrintAsPrintfPrintsThem) {
  // Floats from 10^-4 to 2^23 print from integer digits: a sweep through
  // that range in both signs, its edges, and values whose tenth digit is an
  // exact tie (rounded to even).
  const uint32_t first = floatBits(1e-4f) - 2;
  const uint32_t last = floatBits(8388608.0f) + 2;
  for (uint32_t bits = first; bits <= last; bits += 257) {
    for (uint32_t sign : {0u, 0x80000000u}) {
      const float f = floatFromBits(bits | sign);
      ASSERT_EQ(floatText(f), printfText(f, FLOAT_DIGITS))
          << std::hexfloat << f;
    }
  }
  for (uint32_t bits : {0x48ac51c6u, 0x4910ef55u, 0x4916beb9u, 0x4782ec1cu,
                        0x4750ae68u, 0x49b203efu, 0x3f7fffffu, 0x3f800000u,
                        0x4b7fffffu, 0x38d1b717u, 0x38d1b716u}) {
    const float f = floatFromBits(bits);
    EXPECT_EQ(floatText(f), printfText(f, FLOAT_DIGITS)) << std::hexfloat << f;
  }
}

// As a row is written: floats and counts back to back into one buffer,
// each in no more than its room.
TEST(FloatTextTest, WritingInPlaceGivesTheSameTextsBackToBack) {
  std::vector<char> buffer(FLOAT_TEXT_ROOM + DECIMAL_ROOM);
  std::string text = "x";
  std::string expected = "x";
  std::mt19937 random(3);
  auto writeCount = [&](size_t count) {
    char* end = writeDecimal(buffer.data(), count);
    ASSERT_LE(end - buffer.data(), static_cast<ptrdiff_t>(DECIMAL_ROOM));
    text.append(buffer.data(), end);
    expected += std::to_string(count);
  };
  for (int i = 0; i < 20000; ++i) {
    const float f = floatFromBits(static_cast<uint32_t>(random()));
    char* end = writeFloatText(buffer.data(), f);
    ASSERT_LE(end - buffer.data(), static_cast<ptrdiff_t>(FLOAT_TEXT_ROOM));
    text.append(buffer.data(), end);
    expected += floatText(f);
    writeCount(random() >> (random() % 32));
  }
  writeCount(0);
  writeCount(SIZE_MAX);
  EXPECT_EQ(text, expected);
}

TEST(FloatTextTest, EveryNanPrintsAsNanAndInJsonAsNull) {
  const float quiet = std::numeric_limits<float>::quiet_NaN();
  const float zero = 0.0f;
  for (float nan : {quiet, -quiet, zero / zero, floatFromBits(0x7f800001u),
                    floatFromBits(0xffffffffu)}) {
    EXPECT_EQ(floatText(nan), "nan");
    EXPECT_EQ(generalText(nan, 3), "nan");
    EXPECT_TRUE(jsonFloat(nan).is_null());
  }
  EXPECT_EQ(floatText(std::numeric_limits<float>::infinity()), "inf");
  EXPECT_EQ(floatText(-std::numeric_limits<float>::infinity()), "-inf");
}

}  // namespace
}  // namespace letterfreq
