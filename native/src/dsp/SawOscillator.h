#pragma once
// One of the supersaw's sawtooths. Each sample is the ramp's average over the sample
// period, so the sample that holds the wrap carries the sub-sample-positioned transition
// instead of a full-height step: a first-order band limit at almost no cost.
#include <algorithm>
#include <cmath>

#include "PhaseAccumulator.h"

namespace strobe95::voice {

// Keeps the wrap correction's division finite for a zero frequency.
inline constexpr float kMinOscillatorFrequency = 1.1920929e-7f;

class SawOscillator {
 public:
  void clear() { phase_.clear(); }

  // Called whenever the pitch moves; a held note keeps its increment between calls.
  void setFrequency(float frequency, float invSampleRate, float sampleRate) {
    increment_ = frequency * invSampleRate;
    step_ = splitPhaseStep(increment_ - std::floor(increment_));
    // position / increment is how far into the wrap sample the wrap lies.
    wrapSlope_ = 1.0f - sampleRate / std::max(frequency, kMinOscillatorFrequency);
  }

  float next() {
    const bool wrapped = phase_.advance(step_);
    float position = phase_.position();
    if (wrapped) position = 1.0f + wrapSlope_ * position;
    return 2.0f * position - 1.0f - increment_;
  }

 private:
  PhaseAccumulator phase_;
  // Derived from the pitch, not state: every compute call sets them before its first sample.
  float increment_ = 0.0f;
  PhaseStep step_;
  float wrapSlope_ = 0.0f;
};

}  // namespace strobe95::voice
