#pragma once
// The chorus's sweep: a slow triangle from a fixed-point phase, so its period is exact
// however long the processor runs.
#include <cmath>
#include <cstdint>

#include "PhaseAccumulator.h"

namespace strobe95::fx {

class ChorusLfo {
 public:
  void setFrequency(float cyclesPerSample) {
    step_ = splitPhaseStep(cyclesPerSample - std::round(cyclesPerSample));
  }

  void clear() {
    phase_.clear();
    started_ = false;
  }

  // Moves on as `frames` calls of next() would.
  void skip(uint64_t frames) {
    if (frames == 0) return;
    if (!started_) --frames;
    started_ = true;
    phase_.skip(step_, frames);
  }

  // A triangle between 0 and 1 that starts at 0 on the first sample after clear().
  float next() {
    if (started_) phase_.advance(step_);
    started_ = true;
    // The phase's top 24 bits span [0, 2): the triangle folds that ramp at 1.
    const float ramp = static_cast<float>(phase_.phase() >> 6) * 0x1p-23f;
    return 1.0f - std::fabs(ramp - 1.0f);
  }

 private:
  PhaseStep step_;
  PhaseAccumulator phase_;
  bool started_ = false;
};

}  // namespace strobe95::fx
