#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "NumberText.h"

namespace strobe95 {
namespace {

const double kInf = std::numeric_limits<double>::infinity();

// The cases strtod's rules decide, including those a plain from_chars would get wrong.
TEST(NumberText, ReadsTheLongestLeadingNumber) {
  struct Case {
    const char* text;
    double value;
    size_t length;  // 0: nothing readable
  };
  const Case cases[] = {
      {"1.5", 1.5, 3},
      {"  \t\n1.5x", 1.5, 7},
      {"+2", 2, 2},
      {"-2e3 Hz", -2000, 4},
      {"1.5e", 1.5, 3},  // a dangling exponent is not part of the number
      {".5", 0.5, 2},
      {"5.", 5, 2},
      {"0x1A", 26, 4},
      {"0x", 0, 1},  // reads the 0, stops at x
      {"-0x1p-2", -0.25, 7},
      {"inf", kInf, 3},
      {"-Infinity", -kInf, 9},
      {"1e400", kInf, 5},  // overflow
      {"-1e400", -kInf, 6},
      {"1e-400", 0, 6},    // underflow
      {"", 0, 0},
      {"abc", 0, 0},
      {"--1", 0, 0},
      {"+-1", 0, 0},
      {"- 1", 0, 0},
      {"e5", 0, 0},
  };
  for (const Case& c : cases) {
    const auto result = readLeadingDouble(c.text);
    if (c.length == 0) {
      EXPECT_FALSE(result.has_value()) << c.text;
      continue;
    }
    ASSERT_TRUE(result.has_value()) << c.text;
    EXPECT_EQ(result->value, c.value) << c.text;
    EXPECT_EQ(result->length, c.length) << c.text;
  }
  // Far beyond the exponent range by digits alone, with no exponent written.
  const std::string tiny = "0." + std::string(400, '0') + "1";
  const std::string huge = "1" + std::string(400, '0');
  EXPECT_EQ(readLeadingDouble(tiny)->value, 0.0);
  EXPECT_EQ(readLeadingDouble(tiny)->length, tiny.size());
  EXPECT_EQ(readLeadingDouble(huge)->value, kInf);

  const auto nan = readLeadingDouble("nan(123)rest");
  ASSERT_TRUE(nan.has_value());
  EXPECT_TRUE(std::isnan(nan->value));
  EXPECT_EQ(nan->length, 8u);
}

TEST(NumberText, FloatsOverflowAndUnderflowAtFloatRange) {
  EXPECT_EQ(readLeadingFloat("1e39")->value, std::numeric_limits<float>::infinity());
  EXPECT_EQ(readLeadingFloat("-1e39")->value, -std::numeric_limits<float>::infinity());
  EXPECT_EQ(readLeadingFloat("1e-46")->value, 0.0f);
  EXPECT_GT(readLeadingFloat("1e-40")->value, 0.0f) << "subnormals are kept, as strtof keeps them";
  EXPECT_EQ(readLeadingFloat("0.8")->value, 0.8f) << "read straight to float, not through double";
}

TEST(NumberText, FormatsLikePrintfInTheCLocale) {
  struct Case {
    double value;
    const char* g9;
    const char* fixed2;
  };
  const Case cases[] = {
      {0.8f, "0.800000012", "0.80"},
      {0.005f, "0.00499999989", "0.00"},
      {0.00001f, "9.99999975e-06", "0.00"},
      {1800, "1800", "1800.00"},
      {16000, "16000", "16000.00"},
      {1e20, "1e+20", "100000000000000000000.00"},
      {-0.0, "-0", "-0.00"},
      {1.005, "1.005", "1.00"},  // 1.005 is stored as 1.00499999999999989...
      {2.675, "2.675", "2.67"},
      {kInf, "inf", "inf"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(formatShortest9(c.value), c.g9) << c.value;
    EXPECT_EQ(formatFixed(c.value, 2), c.fixed2) << c.value;
  }
  EXPECT_EQ(formatFixed(1.25, 1), "1.2") << "ties go to even, as printf does";
  EXPECT_EQ(formatInteger(-2147483648LL), "-2147483648");
}

TEST(NumberText, RoundsHalvesAwayAndSaturates) {
  struct Case {
    double value;
    long long rounded;
  };
  const Case cases[] = {{2.5, 3},           {-2.5, -3},          {2.49999, 2},           {0.5, 1},
                        {-0.4, 0},          {1e30, 2147483647},  {-1e30, -2147483648LL}, {kInf, 2147483647},
                        {std::nan(""), 0}};
  for (const Case& c : cases) EXPECT_EQ(roundToInteger(c.value), c.rounded) << c.value;
}

TEST(NumberText, NarrowsOutOfRangeDoublesToInfinity) {
  EXPECT_EQ(narrowToFloat(1e300), std::numeric_limits<float>::infinity());
  EXPECT_EQ(narrowToFloat(-1e300), -std::numeric_limits<float>::infinity());
  EXPECT_EQ(narrowToFloat(2.6), 2.6f);
  EXPECT_TRUE(std::isnan(narrowToFloat(std::nan(""))));
}

}  // namespace
}  // namespace strobe95
