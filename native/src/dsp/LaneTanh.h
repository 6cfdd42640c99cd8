#pragma once
// tanh in every lane at once, within eight units in the last place of the library's, for
// the drive's two channels: the library's one call per sample and channel cost more
// than the rest of the drive together.
#include "Lanes.h"

namespace strobe95::lanes {

namespace tanh_detail {
// Below this 2·|x| the series of e^z − 1 is used, above it e^z itself.
inline constexpr float kSeriesLimit = 0.7f;
// Beyond this |x| tanh rounds to ±1.
inline constexpr float kSaturation = 9.0f;
// ln 2 split so that k·kLn2High is exact for the k that occur (k < 2^8).
inline constexpr float kLn2High = 0.693145751953125f;
inline constexpr float kLn2Low = 1.42860677e-6f;
inline constexpr float kInvLn2 = 1.44269504f;
}  // namespace tanh_detail

inline Float4 tanh(Float4 x) {
  using namespace tanh_detail;
  const Float4 magnitude = abs(x);
  const Float4 z = 2.0f * magnitude;

  // Both series are evaluated in Estrin's scheme, pairs of terms side by side, so their
  // chains are short enough for the processor to overlap samples.
  // e^z − 1 for small z: the Taylor series to z^9 (the next term is below 1e-8 there).
  const Float4 z2 = z * z;
  const Float4 z4 = z2 * z2;
  const Float4 low = (1.0f + 0.5f * z) + (1.0f / 6.0f + (1.0f / 24.0f) * z) * z2;
  const Float4 high = (1.0f / 120.0f + (1.0f / 720.0f) * z) + (1.0f / 5040.0f + (1.0f / 40320.0f) * z) * z2;
  const Float4 series = z * (low + high * z4 + (1.0f / 362880.0f) * (z4 * z4));

  // e^z − 1 for larger z: e^z = 2^k·e^r with |r| ≤ ln2/2, e^r by its series to r^7.
  const Float4 clamped = min(z, splat(2.0f * kSaturation));
  const Int4 k = __builtin_convertvector(clamped * kInvLn2 + 0.5f, Int4);
  const Float4 kf = __builtin_convertvector(k, Float4);
  const Float4 r = (clamped - kf * kLn2High) - kf * kLn2Low;
  const Float4 r2 = r * r;
  const Float4 expR = ((1.0f + r) + (0.5f + (1.0f / 6.0f) * r) * r2) +
                      ((1.0f / 24.0f + (1.0f / 120.0f) * r) + (1.0f / 720.0f + (1.0f / 5040.0f) * r) * r2) * (r2 * r2);
  const Float4 twoToK = reinterpret_cast<Float4>((k + 127) << 23);
  const Float4 exponential = expR * twoToK - 1.0f;

  const Float4 e = select(z < kSeriesLimit, series, exponential);
  Float4 t = e / (e + 2.0f);
  t = select(magnitude > kSaturation, splat(1.0f), t);
  // The sign of x back onto the result.
  const Int4 sign = reinterpret_cast<Int4>(x) & static_cast<int32_t>(0x80000000u);
  return reinterpret_cast<Float4>(reinterpret_cast<Int4>(t) | sign);
}

}  // namespace strobe95::lanes
