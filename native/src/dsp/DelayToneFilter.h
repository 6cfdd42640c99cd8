#pragma once
// The echoes' one-pole lowpass, in trapezoidal (bilinear) form: it has no gain at DC, so
// each pass dulls an echo without making it quieter in the bass.
#include <algorithm>
#include <cmath>

#include "Denormal.h"

namespace strobe95::fx {

// Keeps the warped cutoff just below π/2, where tan() runs off to infinity.
inline constexpr float kMaxToneWarp = 1.5676547f;  // 0.998·π/2

class DelayToneFilter {
 public:
  // cutoffHz·π/fs warped to the coefficient G/(1 + G), G = tan(cutoff·π/fs).
  static float coefficient(float cutoffHz, float piOverSampleRate) {
    const float g = std::tan(std::max(0.0f, std::min(kMaxToneWarp, cutoffHz * piOverSampleRate)));
    return g / (1.0f + g);
  }

  void clear() { state_ = 0.0f; }

  float process(float x, float coefficient) {
    const float step = coefficient * (x - state_);
    const float y = flushDenormal(state_ + step);
    state_ = flushDenormal(state_ + 2.0f * step);
    return y;
  }

 private:
  float state_ = 0.0f;
};

}  // namespace strobe95::fx
