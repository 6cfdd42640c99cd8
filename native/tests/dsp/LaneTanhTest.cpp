// The drive's lane tanh against the library's over the whole float range the drive can
// feed it: the series and the exponential branches, the seam between them, saturation,
// and the values that must come through unchanged.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "LaneTanh.h"

namespace strobe95::test {
namespace {

float laneTanh(float x) { return lanes::tanh(lanes::splat(x))[0]; }

// Distance in representable floats; both values finite and of one sign here.
int64_t ulpDistance(float a, float b) {
  int32_t ia, ib;
  std::memcpy(&ia, &a, sizeof ia);
  std::memcpy(&ib, &b, sizeof ib);
  return std::llabs(int64_t{ia} - int64_t{ib});
}

TEST(LaneTanh, StaysWithinEightUlpOfTheLibraryEverywhere) {
  struct Span {
    const char* where;
    float from, to;
    int steps;
  };
  const Span spans[] = {
      {"tiny values, where tanh x is x", 1e-30f, 1e-3f, 20000},
      {"the series branch", 1e-3f, 0.35f, 200000},
      {"across the seam between the branches", 0.34f, 0.36f, 20000},
      {"the exponential branch", 0.35f, 9.0f, 400000},
      {"towards saturation", 8.0f, 20.0f, 20000},
  };
  for (const Span& span : spans) {
    int64_t worst = 0;
    float worstAt = 0.0f;
    const bool geometric = span.from < 1e-6f;
    for (int i = 0; i <= span.steps; ++i) {
      const float t = float(i) / float(span.steps);
      const float x = geometric ? span.from * std::pow(span.to / span.from, t) : span.from + (span.to - span.from) * t;
      for (const float signedX : {x, -x}) {
        const int64_t d = ulpDistance(laneTanh(signedX), std::tanh(signedX));
        if (d > worst) worst = d, worstAt = signedX;
      }
    }
    EXPECT_LE(worst, 8) << span.where << ": worst at " << worstAt;
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
