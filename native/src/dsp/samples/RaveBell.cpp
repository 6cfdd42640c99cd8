// The glassy FM bell of rave riffs: a sine carrier whose modulation index falls from
// bright to pure, an octave pair driven by a 3.5 ratio for the glass, and an inharmonic
// strike partial that dies almost at once.
#include "Instruments.h"

namespace strobe95::samples {
namespace {

constexpr double kKey = 72.0;
constexpr double kTwoPi = 2.0 * kPi;  // phase modulation indices are in radians
constexpr double kGlassRatio = 3.5;   // modulator over carrier for the glassy pair
constexpr double kGlassBeat = 1.1;    // Hz: the octave pair drifts against the fundamental
constexpr double kStrikeRatio = 2.76;  // a free bar's second mode

}  // namespace

Buffer renderRaveBell(int frames) {
  const double f = keyFrequency(kKey);
  PhaseAccumulator bodyCarrier;
  PhaseAccumulator bodyModulator;
  PhaseAccumulator glassCarrier;
  PhaseAccumulator glassModulator;
  PhaseAccumulator strike;

  Buffer out(frames);
  for (int i = 0; i < frames; ++i) {
    const double t = secondsAt(i);

    const double bodyIndex = 0.4 + 2.0 * decay(t, 0.15);
    const double body = sineCycles(bodyCarrier.advance(f) +
                                   bodyIndex / kTwoPi * sineCycles(bodyModulator.advance(f))) *
                        decay(t, 0.6);

    const double glassFrequency = 2.0 * f + kGlassBeat;
    const double glassIndex = 0.2 + 1.8 * decay(t, 0.06);
    const double glass =
        sineCycles(glassCarrier.advance(glassFrequency) +
                   glassIndex / kTwoPi * sineCycles(glassModulator.advance(glassFrequency * kGlassRatio))) *
        decay(t, 0.35);

    const double ping = sineCycles(strike.advance(f * kStrikeRatio)) * decay(t, 0.12);

    out[i] = rampIn(t, 0.0008) * (body + 0.45 * glass + 0.2 * ping);
  }
  fadeOutTail(out, 0.12);
  return out;
}

}  // namespace strobe95::samples
