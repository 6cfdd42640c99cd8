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

  float next(const GateEdges& gate, const FilterEnvelopeShape& shape) {
    if (gate.trigger) start_ = level_;
    const float rise = start_ + gate.sinceRise * shape.attackInv;
    const float fall =
        1.0f + ((1.0f - start_) * shape.attackLength - gate.sinceRise) * shape.decayRate;
    level_ = flushDenormal(std::max(
        0.0f, std::min(rise, std::max(0.0f, fall)) * (1.0f - gate.sinceRelease * shape.decayRate)));
    return level_;
  }

 private:
  float start_ = 0.0f;
  float level_ = 0.0f;
};

}  // namespace strobe95::voice
