#pragma once
// Sine oscillators from two coupled integrators. They need no table and no phase, stay
// bounded when their coefficient changes every sample, and are started by a unit impulse.
// Each lane is one oscillator: the voice runs its PWM LFO and its sub side by side.
#include <cmath>

#include "Denormal.h"
#include "Lanes.h"

namespace strobe95::voice {

class QuadratureOscillators {
 public:
  // The kick starts a unit sine; a long glide swells it by a quarter at most.
  static constexpr float kMaxAmplitude = 1.5f;

  void clear() {
    x_ = lanes::Float4{};
    y_ = lanes::Float4{};
  }

  // coefficient: per lane 2·sin(π·frequency / sampleRate). kick: on the sample that
  // starts the oscillation, a unit impulse is added. Returns the sine outputs.
  lanes::Float4 next(lanes::Float4 coefficient, bool kick) {
    using lanes::Float4;
    const Float4 rawX = x_ - coefficient * y_;
    const lanes::Int4 kept = lanes::abs(rawX) > lanes::splat(kDenormalFloor);
    x_ = lanes::select(kept, rawX, Float4{});  // flushDenormal
    // y + c·x with x as flushed, without waiting for the flush: a flushed x adds nothing.
    // Without the kick nothing else is added (a zero would change only the sign of a
    // zero, which the flush drops), so the step's chain is a product and a sum shorter.
    Float4 y = lanes::select(kept, y_ + coefficient * rawX, y_);
    if (kick) y += 1.0f;
    y_ = lanes::flushDenormal(y);
    // x² + y² − c·x·y is constant while the coefficient is, and the sine's peak is its
    // root over √(1 − c²/4). Every sudden change of coefficient moves the peak by a factor
    // that depends on the phase, and over many note changes it drifts without bound; it is
    // held at kMaxAmplitude, which a steady or gliding tone never reaches.
    const lanes::Float4 energy = x_ * x_ + y_ * y_ - coefficient * x_ * y_;
    const lanes::Float4 ceiling =
        lanes::splat(kMaxAmplitude * kMaxAmplitude) * (lanes::splat(1.0f) - lanes::splat(0.25f) * coefficient * coefficient);
    const lanes::Int4 over = energy > ceiling;
    if (lanes::any(over)) [[unlikely]] {
      for (int lane = 0; lane < 4; ++lane) {
        if (over[lane]) {
          const float scale = std::sqrt(ceiling[lane] / energy[lane]);
          x_[lane] *= scale;
          y_[lane] *= scale;
        }
      }
    }
    return y_;
  }

 private:
  lanes::Float4 x_{};
  lanes::Float4 y_{};
};

}  // namespace strobe95::voice
