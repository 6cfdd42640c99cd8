// The lane functions against the library's over the whole range their callers feed them:
// the drive's tanh (its series and exponential branches, the seam between them,
// saturation, and the values that must come through unchanged), and the filters' tan
// (either side of its reduction at π/4, up to the largest warp angle) and log10 (the
// cutoffs, across the points where the exponent steps and where the mantissa folds).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "LaneMath.h"
#include "LaneTanh.h"

namespace strobe95::test {
namespace {

float laneTanh(float x) { return lanes::tanh(lanes::splat(x))[0]; }
float laneTan(float x) { return lanes::tan(lanes::splat(x))[0]; }
float laneLog10(float x) { return lanes::log10(lanes::splat(x))[0]; }

// Distance in representable floats; both values finite and of one sign here.
int64_t ulpDistance(float a, float b) {
  int32_t ia, ib;
  std::memcpy(&ia, &a, sizeof ia);
  std::memcpy(&ib, &b, sizeof ib);
  return std::llabs(int64_t{ia} - int64_t{ib});
}

TEST(LaneMath, StaysWithinAFewUlpOfTheLibraryEverywhere) {
  struct Span {
    const char* where;
    float (*lane)(float);
    float (*library)(float);
    float from, to;
    int steps;
    bool bothSigns;
    int64_t ulps;
  };
  const auto tanh = [](float x) { return std::tanh(x); };
  const auto tan = [](float x) { return std::tan(x); };
  const auto log10 = [](float x) { return std::log10(x); };
  const Span spans[] = {
      {"tanh: tiny values, where tanh x is x", laneTanh, tanh, 1e-30f, 1e-3f, 20000, true, 8},
      {"tanh: the series branch", laneTanh, tanh, 1e-3f, 0.35f, 200000, true, 8},
      {"tanh: across the seam between the branches", laneTanh, tanh, 0.34f, 0.36f, 20000, true, 8},
      {"tanh: the exponential branch", laneTanh, tanh, 0.35f, 9.0f, 400000, true, 8},
      {"tanh: towards saturation", laneTanh, tanh, 8.0f, 20.0f, 20000, true, 8},
      {"tan: the lowest cutoffs' angles", laneTan, tan, 1e-4f, 0.01f, 20000, false, 3},
      {"tan: up to π/4", laneTan, tan, 0.01f, 0.78539816f, 200000, false, 3},
      {"tan: across the reduction at π/4", laneTan, tan, 0.78f, 0.79f, 20000, false, 3},
      {"tan: up to the largest warp angle", laneTan, tan, 0.79f, 1.5676547f, 200000, false, 3},
      {"log10: the ladder's cutoffs (1.5 to 800)", laneLog10, log10, 1.5f, 800.0f, 400000, false, 3},
      {"log10: either side of 1, where the mantissa folds", laneLog10, log10, 0.7f, 1.42f, 200000, false, 3},
  };
  for (const Span& span : spans) {
    int64_t worst = 0;
    float worstAt = 0.0f;
    const bool geometric = span.from < 1e-6f;
    for (int i = 0; i <= span.steps; ++i) {
      const float t = float(i) / float(span.steps);
      const float x = geometric ? span.from * std::pow(span.to / span.from, t) : span.from + (span.to - span.from) * t;
      for (const float signedX : {x, -x}) {
        if (signedX < 0.0f && !span.bothSigns) continue;
        const float expected = span.library(signedX);
        // Near a zero of the result an ulp is tiny; there the absolute error is what counts.
        const int64_t d = std::fabs(expected) < 1e-3f && std::fabs(span.lane(signedX) - expected) < 1e-9f
                              ? 0
                              : ulpDistance(span.lane(signedX), expected);
        if (d > worst) worst = d, worstAt = signedX;
      }
    }
    EXPECT_LE(worst, span.ulps) << span.where << ": worst at " << worstAt;
  }
}

TEST(LaneTanh, KeepsZeroInfinityAndNotANumber) {
  EXPECT_EQ(laneTanh(0.0f), 0.0f);
  EXPECT_TRUE(std::signbit(laneTanh(-0.0f)));
  EXPECT_EQ(laneTanh(std::numeric_limits<float>::infinity()), 1.0f);
  EXPECT_EQ(laneTanh(-std::numeric_limits<float>::infinity()), -1.0f);
  EXPECT_TRUE(std::isnan(laneTanh(std::numeric_limits<float>::quiet_NaN())));
  // Every lane is its own value.
  const lanes::Float4 mixed = lanes::tanh(lanes::Float4{-3.0f, 0.1f, 12.0f, -0.5f});
  EXPECT_EQ(mixed[0], laneTanh(-3.0f));
  EXPECT_EQ(mixed[1], laneTanh(0.1f));
  EXPECT_EQ(mixed[2], 1.0f);
  EXPECT_EQ(mixed[3], laneTanh(-0.5f));
}

}  // namespace
}  // namespace strobe95::test
