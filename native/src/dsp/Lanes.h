#pragma once
// Four floats (or four 32-bit integers) that one instruction processes together. The
// voice runs its seven saws, its pulses, both filter sections of both channels and its two
// quadrature oscillators side by side in lanes; each lane computes exactly what the same
// code on one float would, operation for operation. Where a stage rearranges its sums for
// speed (the acid filter's matrix, the saws' tree, the drive's tanh) it says so; none of
// them touches the pitch.
#include <cmath>
#include <cstdint>
#if defined(__SSE__)
#include <xmmintrin.h>
#endif

#include "Denormal.h"

namespace strobe95::lanes {

using Float4 = float __attribute__((vector_size(16)));
using Int4 = int32_t __attribute__((vector_size(16)));
using Uint4 = uint32_t __attribute__((vector_size(16)));

inline Float4 splat(float x) { return Float4{x, x, x, x}; }

inline Float4 select(Int4 mask, Float4 ifTrue, Float4 ifFalse) {
  return reinterpret_cast<Float4>((reinterpret_cast<Int4>(ifTrue) & mask) |
                                  (reinterpret_cast<Int4>(ifFalse) & ~mask));
}

// std::max(a, b) and std::min(a, b) lane by lane: b only where it compares beyond a.
inline Float4 max(Float4 a, Float4 b) { return select(a < b, b, a); }
inline Float4 min(Float4 a, Float4 b) { return select(b < a, b, a); }
// std::clamp(x, low, high) lane by lane.
inline Float4 clamp(Float4 x, Float4 low, Float4 high) {
  return select(x < low, low, select(high < x, high, x));
}

// Whether any lane of a comparison's mask is set.
inline bool any(Int4 mask) {
#if defined(__SSE__)
  return _mm_movemask_ps(reinterpret_cast<__m128>(mask)) != 0;
#else
  return ((mask[0] | mask[1]) | (mask[2] | mask[3])) != 0;
#endif
}

inline Float4 abs(Float4 x) {
  return reinterpret_cast<Float4>(reinterpret_cast<Int4>(x) & Int4{0x7fffffff, 0x7fffffff, 0x7fffffff, 0x7fffffff});
}

// std::sqrt in every lane: correctly rounded either way.
inline Float4 sqrt(Float4 x) {
#if defined(__SSE__)
  return _mm_sqrt_ps(x);
#else
  return Float4{std::sqrt(x[0]), std::sqrt(x[1]), std::sqrt(x[2]), std::sqrt(x[3])};
#endif
}

// flushDenormal in every lane.
inline Float4 flushDenormal(Float4 x) {
  const Int4 normal = abs(x) > splat(kDenormalFloor);
  return reinterpret_cast<Float4>(reinterpret_cast<Int4>(x) & normal);
}

}  // namespace strobe95::lanes
