#pragma once
// A sine oscillator from two coupled integrators. It needs no table and no phase, stays
// bounded when its coefficient changes every sample, and is started by a unit impulse.
#include <cmath>

#include "Denormal.h"

namespace strobe95::voice {

class QuadratureOscillator {
 public:
  // The kick starts a unit sine; a long glide swells it by a quarter at most.
  static constexpr float kMaxAmplitude = 1.5f;

  void clear() {
    x_ = 0.0f;
    y_ = 0.0f;
  }

  // coefficient: 2·sin(π·frequency / sampleRate). kick: 1 on the sample that starts the
  // oscillation, 0 afterwards. Returns the sine output.
  float next(float coefficient, float kick) {
    x_ = flushDenormal(x_ - coefficient * y_);
    y_ = flushDenormal(y_ + coefficient * x_ + kick);
    // x² + y² − c·x·y is constant while the coefficient is, and the sine's peak is its
    // root over √(1 − c²/4). Every sudden change of coefficient moves the peak by a factor
    // that depends on the phase, and over many note changes it drifts without bound; it is
    // held at kMaxAmplitude, which a steady or gliding tone never reaches.
    const float energy = x_ * x_ + y_ * y_ - coefficient * x_ * y_;
    const float ceiling = kMaxAmplitude * kMaxAmplitude * (1.0f - 0.25f * coefficient * coefficient);
    if (energy > ceiling) {
      const float scale = std::sqrt(ceiling / energy);
      x_ *= scale;
      y_ *= scale;
    }
    return y_;
  }

 private:
  float x_ = 0.0f;
  float y_ = 0.0f;
};

}  // namespace strobe95::voice
