// White noise through a resonant filter whose centre climbs from the low mids to the
// top of the spectrum: the rising whoosh of a build-up.
#include "Instruments.h"

namespace strobe95::samples {
namespace {

constexpr double kLowest = 180.0;     // Hz at the start
constexpr double kHighest = 11000.0;  // Hz at the end
constexpr double kResonance = 3.0;

}  // namespace

Buffer renderNoiseSweep(int frames) {
  Noise noise(0x5EE9);
  StateVariableFilter filter;
  Buffer out(frames);
  const double length = secondsAt(frames);
  for (int i = 0; i < frames; ++i) {
    const double t = secondsAt(i);
    filter.set(glide(kLowest, kHighest, t / length), kResonance);
    const StateVariableFilter::Outputs response = filter.next(noise.next());
    const double swell = rampIn(t, 0.35) * (0.5 + 0.5 * t / length);
    out[i] = swell * (response.band / kResonance + 0.5 * response.low);
  }
  fadeOutTail(out, 0.1);
  return out;
}

}  // namespace strobe95::samples
