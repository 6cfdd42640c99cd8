#pragma once
// The filter's own envelope: a 2 ms rise to full from wherever it stood at the note
// start, a linear fall to 0 over the filter decay time, and after release a ramp that
// closes it within the same time. Acid lines live on this shape.
#include <algorithm>

#include "Denormal.h"
#include "GateTracker.h"

namespace strobe95::voice {

// Fast enough to read as a snap, slow enough not to click the filter open.
inline constexpr float kFilterAttackSeconds = 0.002f;

struct FilterEnvelopeShape {
  float attackLength = 1.0f;  // samples
  float attackInv = 1.0f;
  float decayRate = 1.0f;     // fraction of full lost per sample, in decay and release alike
};

class FilterEnvelope {
 public:
  void clear() {
    start_ = 0.0f;
    level_ = 0.0f;
  }

  // The levels of a run of samples in which the gate rises from 0 at most on the first:
  // the start is latched once, so each level depends only on its own sample's clocks and
  // the loop has no chain from one sample to the next.
  void render(bool trigger, const float* sinceRise, const float* sinceRelease, const FilterEnvelopeShape& shape,
              float* levels, int count) {
    if (trigger) start_ = level_;
    const float start = start_;
    for (int i = 0; i < count; ++i) {
      const float rise = start + sinceRise[i] * shape.attackInv;
      const float fall = 1.0f + ((1.0f - start) * shape.attackLength - sinceRise[i]) * shape.decayRate;
      levels[i] = flushDenormal(
          std::max(0.0f, std::min(rise, std::max(0.0f, fall)) * (1.0f - sinceRelease[i] * shape.decayRate)));
    }
    level_ = levels[count - 1];
  }

 private:
  float start_ = 0.0f;
  float level_ = 0.0f;
};

}  // namespace strobe95::voice
