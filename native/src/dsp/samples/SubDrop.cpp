// A sine that falls from its note towards the bottom of hearing: the sub-bass drop
// that lands a section.
#include "Instruments.h"

namespace strobe95::samples {
namespace {

constexpr double kKey = 36.0;
constexpr double kFloor = 28.0;     // Hz the fall approaches
constexpr double kFallTime = 0.3;   // seconds for the distance to the floor to fall by e

}  // namespace

Buffer renderSubDrop(int frames) {
  const double start = keyFrequency(kKey);
  PhaseAccumulator phase;
  Buffer out(frames);
  for (int i = 0; i < frames; ++i) {
    const double t = secondsAt(i);
    const double frequency = kFloor + (start - kFloor) * decay(t, kFallTime);
    out[i] = rampIn(t, 0.004) * decay(t, 0.9) * sineCycles(phase.advance(frequency));
  }
  fadeOutTail(out, 0.12);
  return out;
}

}  // namespace strobe95::samples
