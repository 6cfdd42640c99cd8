// Four seconds of build-up: a detuned saw stack climbing three octaves through an
// opening filter, noise rising with it, a tremolo that speeds up, all swelling to the top.
#include "Instruments.h"

namespace strobe95::samples {
namespace {

constexpr double kStartKey = 48.0;
constexpr double kEndKey = 84.0;
constexpr std::array<double, 5> kDetune{-0.19, -0.08, 0.0, 0.09, 0.2};  // semitones
constexpr double kTremoloStart = 2.0;  // Hz
constexpr double kTremoloEnd = 16.0;   // Hz

}  // namespace

Buffer renderRiser(int frames) {
  Noise noise(0x215E);
  std::array<BlepSaw, kDetune.size()> saws{BlepSaw(0.11), BlepSaw(0.63), BlepSaw(0.37), BlepSaw(0.92),
                                           BlepSaw(0.05)};
  StateVariableFilter sawFilter;
  StateVariableFilter noiseFilter;
  PhaseAccumulator tremolo;
  Buffer out(frames);
  const double length = secondsAt(frames);
  for (int i = 0; i < frames; ++i) {
    const double t = secondsAt(i);
    const double progress = t / length;
    const double key = kStartKey + (kEndKey - kStartKey) * progress;
    double stack = 0.0;
    for (size_t s = 0; s < saws.size(); ++s) stack += saws[s].next(keyFrequency(key + kDetune[s]));
    sawFilter.set(glide(300.0, 15000.0, progress), 1.2);
    noiseFilter.set(glide(250.0, 9000.0, progress), 1.5);
    const double tone = 0.2 * sawFilter.next(stack).low + 0.35 * noiseFilter.next(noise.next()).band;
    const double gate = 0.75 + 0.25 * sineCycles(tremolo.advance(glide(kTremoloStart, kTremoloEnd, progress)));
    const double swell = progress * std::sqrt(progress) * rampIn(t, 0.01);
    out[i] = swell * gate * tone;
  }
  fadeOutTail(out, 0.02);
  return out;
}

}  // namespace strobe95::samples
