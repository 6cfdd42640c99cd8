#pragma once
// Four floats (or four 32-bit integers) that one instruction processes together. The
// voice runs its seven saws, its pulses, both filter sections of both channels and its two
// quadrature oscillators side by side in lanes; each lane computes exactly what the same
// code on one float would, operation for operation. Where a stage rearranges its sums for
// speed (the acid filter's matrix, the saws' tree, the drive's tanh) it says so; none of
// them touches the pitch.
#include <cmath>
#include <cstdint>
#if defined(__AVX__)
#include <immintrin.h>
#elif defined(__SSE__)
#include <xmmintrin.h>
#endif

#include "Denormal.h"

namespace strobe95::lanes {

using Float4 = float __attribute__((vector_size(16)));
using Int4 = int32_t __attribute__((vector_size(16)));
using Uint4 = uint32_t __attribute__((vector_size(16)));
// Eight lanes, for code built for processors with AVX.
using Float8 = float __attribute__((vector_size(32)));
using Int8 = int32_t __attribute__((vector_size(32)));

template <class V>
struct LaneTraits;
template <>
struct LaneTraits<Float4> {
  using Int = Int4;
};
template <>
struct LaneTraits<Float8> {
  using Int = Int8;
};
// The integer lanes of a float vector's width: what its comparisons give.
template <class V>
using IntLanes = typename LaneTraits<V>::Int;
template <class V>
inline constexpr int kWidth = int(sizeof(V) / sizeof(float));

inline Float4 splat(float x) { return Float4{x, x, x, x}; }
template <class V>
inline V splatTo(float x) {
  V v;
  for (int i = 0; i < kWidth<V>; ++i) v[i] = x;
  return v;
}

template <class V>
inline V select(IntLanes<V> mask, V ifTrue, V ifFalse) {
  using I = IntLanes<V>;
  return reinterpret_cast<V>((reinterpret_cast<I>(ifTrue) & mask) | (reinterpret_cast<I>(ifFalse) & ~mask));
}

// std::max(a, b) and std::min(a, b) lane by lane: b only where it compares beyond a.
template <class V>
inline V max(V a, V b) {
  return select(a < b, b, a);
}
template <class V>
inline V min(V a, V b) {
  return select(b < a, b, a);
}
// std::clamp(x, low, high) lane by lane.
template <class V>
inline V clamp(V x, V low, V high) {
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
#if defined(__AVX__)
inline bool any(Int8 mask) { return _mm256_movemask_ps(reinterpret_cast<__m256>(mask)) != 0; }
#endif

template <class V>
inline V abs(V x) {
  using I = IntLanes<V>;
  return reinterpret_cast<V>(reinterpret_cast<I>(x) & 0x7fffffff);
}

// std::sqrt in every lane: correctly rounded either way.
inline Float4 sqrt(Float4 x) {
#if defined(__SSE__)
  return _mm_sqrt_ps(x);
#else
  return Float4{std::sqrt(x[0]), std::sqrt(x[1]), std::sqrt(x[2]), std::sqrt(x[3])};
#endif
}
#if defined(__AVX__)
inline Float8 sqrt(Float8 x) { return _mm256_sqrt_ps(x); }
#endif

// The first or the second four lanes of a vector of eight; a vector of four itself.
template <class V>
inline Float4 quarter(V v, int which) {
  if constexpr (kWidth<V> == 4) {
    return v;
  } else {
    return which == 0 ? __builtin_shufflevector(v, v, 0, 1, 2, 3) : __builtin_shufflevector(v, v, 4, 5, 6, 7);
  }
}

// The four lanes of four vectors as four vectors of one lane each: out[i] = {a[i], b[i],
// c[i], d[i]}.
inline void transpose(Float4 a, Float4 b, Float4 c, Float4 d, Float4* out) {
  const Float4 ab01 = __builtin_shufflevector(a, b, 0, 4, 1, 5);
  const Float4 ab23 = __builtin_shufflevector(a, b, 2, 6, 3, 7);
  const Float4 cd01 = __builtin_shufflevector(c, d, 0, 4, 1, 5);
  const Float4 cd23 = __builtin_shufflevector(c, d, 2, 6, 3, 7);
  out[0] = __builtin_shufflevector(ab01, cd01, 0, 1, 4, 5);
  out[1] = __builtin_shufflevector(ab01, cd01, 2, 3, 6, 7);
  out[2] = __builtin_shufflevector(ab23, cd23, 0, 1, 4, 5);
  out[3] = __builtin_shufflevector(ab23, cd23, 2, 3, 6, 7);
}

// flushDenormal in every lane.
template <class V>
inline V flushDenormal(V x) {
  using I = IntLanes<V>;
  const I normal = abs(x) > kDenormalFloor;
  return reinterpret_cast<V>(reinterpret_cast<I>(x) & normal);
}

}  // namespace strobe95::lanes
