#pragma once
// The linear ADSR that shapes a voice's loudness. A note start latches the level the
// envelope stands at, so a retriggered voice climbs from there instead of clicking to 0;
// the release scales whatever level was reached by a ramp that ends after the release
// time, so a release takes the same time from any level.
#include <algorithm>

#include "Denormal.h"
#include "GateTracker.h"

namespace strobe95::voice {

struct AmpEnvelopeShape {
  float attackLength = 1.0f;  // samples
  float attackInv = 1.0f;
  float decaySlope = 0.0f;    // level lost per sample while decaying
  float sustain = 0.0f;
  float releaseRate = 1.0f;   // fraction of the held level lost per sample after release

  static AmpEnvelopeShape make(float attack, float decay, float sustainLevel, float release,
                               float sampleRate) {
    AmpEnvelopeShape shape;
    shape.attackLength = std::max(1.0f, sampleRate * attack);
    shape.attackInv = 1.0f / shape.attackLength;
    shape.decaySlope = (1.0f - sustainLevel) / std::max(1.0f, sampleRate * decay);
    shape.sustain = sustainLevel;
    shape.releaseRate = 1.0f / std::max(1.0f, sampleRate * release);
    return shape;
  }
};

class AmpEnvelope {
 public:
  void clear() {
    start_ = 0.0f;
    level_ = 0.0f;
  }

  // The levels of a run of samples in which the gate rises from 0 at most on the first:
  // the start is latched once, so each level depends only on its own sample's clocks and
  // the loop has no chain from one sample to the next.
  void render(bool trigger, const float* sinceRise, const float* sinceRelease, const AmpEnvelopeShape& shape,
              float* levels, int count) {
    if (trigger) start_ = level_;
    const float start = start_;
    for (int i = 0; i < count; ++i) {
      const float rise = start + sinceRise[i] * shape.attackInv;
      const float fall = 1.0f + ((1.0f - start) * shape.attackLength - sinceRise[i]) * shape.decaySlope;
      const float held = std::min(std::max(shape.sustain, fall), rise);
      levels[i] = flushDenormal(std::max(0.0f, held * (1.0f - sinceRelease[i] * shape.releaseRate)));
    }
    level_ = levels[count - 1];
  }

  float level() const { return level_; }

 private:
  float start_ = 0.0f;
  float level_ = 0.0f;
};

}  // namespace strobe95::voice
