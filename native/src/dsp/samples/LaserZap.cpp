// The sci-fi "pew": a square and a sine whose pitch falls from a whistle to a growl in
// a fraction of a second.
#include "Instruments.h"

namespace strobe95::samples {
namespace {

constexpr double kStartSweep = 2600.0;  // Hz above the floor at the first frame
constexpr double kFloor = 45.0;         // Hz the fall approaches
constexpr double kFallTime = 0.055;     // seconds for the sweep to fall by e
constexpr double kOvertones = 6.0;      // the tone keeps harmonics up to this multiple of its pitch

}  // namespace

Buffer renderLaserZap(int frames) {
  BlepSquare square;
  PhaseAccumulator sine;
  StateVariableFilter smoothing;
  Buffer out(frames);
  for (int i = 0; i < frames; ++i) {
    const double t = secondsAt(i);
    const double frequency = kFloor + kStartSweep * decay(t, kFallTime);
    smoothing.set(kOvertones * frequency, 0.7);
    const double tone = 0.6 * smoothing.next(square.next(frequency)).low + 0.5 * sineCycles(sine.advance(frequency));
    out[i] = rampIn(t, 0.001) * decay(t, 0.16) * tone;
  }
  fadeOutTail(out, 0.04);
  return out;
}

}  // namespace strobe95::samples
