#pragma once
#include <cmath>

namespace strobe95 {

// The smallest normal float. Recursive state at or below it is stored as zero, so decaying
// tails never fall into the slow subnormal range.
inline constexpr float kDenormalFloor = 1.1754944e-38f;

inline float flushDenormal(float x) { return std::fabs(x) > kDenormalFloor ? x : 0.0f; }

}  // namespace strobe95
