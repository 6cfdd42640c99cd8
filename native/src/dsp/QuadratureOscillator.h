#pragma once
// A sine oscillator from two coupled integrators. It needs no table and no phase, stays
// stable when its coefficient changes every sample, and is started by a unit impulse.
#include "Denormal.h"

namespace strobe95::voice {

class QuadratureOscillator {
 public:
  void clear() {
    x_ = 0.0f;
    y_ = 0.0f;
  }

  // coefficient: 2·sin(π·frequency / sampleRate). kick: 1 on the sample that starts the
  // oscillation, 0 afterwards. Returns the sine output.
  float next(float coefficient, float kick) {
    x_ = flushDenormal(x_ - coefficient * y_);
    y_ = flushDenormal(y_ + coefficient * x_ + kick);
    return y_;
  }

 private:
  float x_ = 0.0f;
  float y_ = 0.0f;
};

}  // namespace strobe95::voice
