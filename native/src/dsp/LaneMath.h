#pragma once
// tan and log10 in every lane at once, within a few units in the last place of the
// library's, for the filters' coefficients: a moving cutoff needs both every sample, and
// one library call per sample cost more than the rest of the coefficients together.
#include <cstdint>

#include "Lanes.h"

namespace strobe95::lanes {

namespace math_detail {
inline constexpr float kQuarterPi = 0.78539816f;
// π/2 split so that kHalfPiHigh − x is exact for every x in [π/4, π/2].
inline constexpr float kHalfPiHigh = 1.57079637f;
inline constexpr float kHalfPiLow = -4.37113883e-8f;
inline constexpr float kSqrtHalf = 0.70710678f;
// ln 2 split so that e·kLn2High is exact for the exponents of floats.
inline constexpr float kLn2High = 0.693359375f;
inline constexpr float kLn2Low = -2.12194440e-4f;
inline constexpr float kLog10E = 0.43429448f;

// tan on [0, π/4]: x + x³·P(x²), relative error below 5e-8.
template <class V>
inline V tanNear(V x) {
  const V z = x * x;
  const V p = ((((9.38540185543e-3f * z + 3.11992232697e-3f) * z + 2.44301354525e-2f) * z + 5.34112807005e-2f) * z +
               1.33387994085e-1f) * z + 3.33331568548e-1f;
  return p * z * x + x;
}
}  // namespace math_detail

// tan for angles in [0, π/2): above π/4 as 1/tan(π/2 − x).
template <class V>
inline V tan(V x) {
  using namespace math_detail;
  const IntLanes<V> far = x > kQuarterPi;
  const V reduced = select(far, (kHalfPiHigh - x) + kHalfPiLow, x);
  const V t = tanNear(reduced);
  return select(far, 1.0f / t, t);
}

// log10 for positive, normal, finite floats.
template <class V>
inline V log10(V x) {
  using namespace math_detail;
  using I = IntLanes<V>;
  // x = m·2^e with m in [√½, √2), so that m − 1 is small either side of 1.
  const I bits = reinterpret_cast<I>(x);
  I e = ((bits >> 23) & 0xff) - 126;
  V m = reinterpret_cast<V>((bits & 0x007fffff) | 0x3f000000);  // in [0.5, 1)
  const I low = m < kSqrtHalf;
  e += low;  // the mask is −1 where set
  m = select(low, m + m, m) - 1.0f;
  const V z = m * m;
  V y = ((((((((7.0376836292e-2f * m - 1.1514610310e-1f) * m + 1.1676998740e-1f) * m - 1.2420140846e-1f) * m +
             1.4249322787e-1f) * m - 1.6668057665e-1f) * m + 2.0000714765e-1f) * m - 2.4999993993e-1f) * m +
       3.3333331174e-1f) * m * z;
  const V ef = __builtin_convertvector(e, V);
  y += kLn2Low * ef;
  y -= 0.5f * z;
  const V ln = (m + y) + kLn2High * ef;
  return ln * kLog10E;
}

}  // namespace strobe95::lanes
