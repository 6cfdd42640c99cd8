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

  float next(float frequency, float invSampleRate, float sampleRate) {
    const float increment = frequency * invSampleRate;
    const bool wrapped = phase_.advance(splitPhaseStep(increment - std::floor(increment)));
    float position = phase_.position();
    if (wrapped) {
      // position / increment is how far into this sample the wrap lies.
      position = 1.0f + (1.0f - sampleRate / std::max(frequency, kMinOscillatorFrequency)) * position;
    }
    return 2.0f * position - 1.0f - increment;
  }

 private:
  PhaseAccumulator phase_;
};

}  // namespace strobe95::voice
