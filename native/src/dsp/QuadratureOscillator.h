#pragma once
// Sine oscillators from two coupled integrators. They need no table and no phase, stay
// stable when their coefficient changes every sample, and are started by a unit impulse.
// Each lane is one oscillator: the voice runs its PWM LFO and its sub side by side.
#include "Lanes.h"

namespace strobe95::voice {

class QuadratureOscillators {
 public:
  void clear() {
    x_ = lanes::Float4{};
    y_ = lanes::Float4{};
  }

  // coefficient: per lane 2·sin(π·frequency / sampleRate). kick: 1 on the sample that
  // starts the oscillation, 0 afterwards. Returns the sine outputs.
  lanes::Float4 next(lanes::Float4 coefficient, float kick) {
    x_ = lanes::flushDenormal(x_ - coefficient * y_);
    y_ = lanes::flushDenormal(y_ + coefficient * x_ + kick);
    return y_;
  }

 private:
  lanes::Float4 x_{};
  lanes::Float4 y_{};
};

}  // namespace strobe95::voice
