// A bright piano chord struck hard: each string's partials stretched by its stiffness
// and decaying faster the higher they are, two strings per note beating slowly, the
// hammer's thump at the start.
#include "Ambience.h"
#include "Instruments.h"

namespace strobe95::samples {
namespace {

struct ChordNote {
  double key;
  double level;
};
// C major with the octave below, the way a house pianist stabs it with both hands.
constexpr std::array<ChordNote, 5> kChord{{{48, 0.7}, {60, 1.0}, {64, 0.9}, {67, 0.9}, {72, 0.8}}};
constexpr std::array<double, 2> kStringDetune{-0.008, 0.008};  // semitones
constexpr double kStiffness = 0.00035;  // partial n sits at n·f·√(1 + B·n²)
constexpr double kHammerPosition = 7.0;  // struck at 1/7 of the string: every 7th partial is weak
constexpr double kHighestPartial = 18000.0;
constexpr double kBrightness = 9000.0;  // Hz where the hammer's spectrum starts to roll off steeply
constexpr double kRingTime = 1.5;       // seconds: the decay time of the lowest partials
constexpr double kDampedAbove = 1500.0;  // Hz above which partials lose energy ever faster
constexpr double kQuietestPartial = 1e-4;

// A partial rings as a fast "prompt" decay over a slower aftersound, as struck strings do.
struct Partial {
  Phasor sine;
  double prompt;
  double after;
  double promptDecay;
  double afterDecay;
};

}  // namespace

Buffer renderPianoStab(int frames) {
  Noise noise(0x9A40);
  std::vector<Partial> partials;
  for (const ChordNote& note : kChord) {
    for (double detune : kStringDetune) {
      const double f = keyFrequency(note.key + detune);
      for (int n = 1;; ++n) {
        const double frequency = n * f * std::sqrt(1.0 + kStiffness * n * n);
        if (frequency > kHighestPartial) break;
        const double strike = std::fabs(sineCycles(0.5 * n / kHammerPosition));
        const double rolloff = frequency / kBrightness;
        const double amplitude = note.level * (0.15 + strike) / exponential(0.7 * naturalLog(n)) /
                                 (1.0 + rolloff * rolloff * rolloff * rolloff);
        if (amplitude < kQuietestPartial) continue;
        const double tau = kRingTime / (1.0 + exponential(1.5 * naturalLog(frequency / kDampedAbove)));
        // Scattered starting phases: the partials of real strings do not all peak together,
        // which would put one tall spike in front of the chord.
        partials.push_back({Phasor(frequency, noise.next()), 0.7 * amplitude, 0.3 * amplitude,
                            exponential(-1.0 / (0.35 * tau * kSampleRate)),
                            exponential(-1.0 / (1.5 * tau * kSampleRate))});
      }
    }
  }
  OnePoleLowpass thump(2000.0);
  Ambience room(0.7, 0.4);

  Buffer out(frames);
  for (int i = 0; i < frames; ++i) {
    const double t = secondsAt(i);
    double strings = 0.0;
    for (Partial& p : partials) {
      strings += p.sine.next() * (p.prompt + p.after);
      p.prompt *= p.promptDecay;
      p.after *= p.afterDecay;
    }
    const double hammer = 0.3 * thump.next(noise.next()) * decay(t, 0.008);
    const double dry = rampIn(t, 0.0015) * (0.1 * strings + hammer);
    out[i] = dry + 0.15 * room.next(dry);
  }
  fadeOutTail(out, 0.1);
  return out;
}

}  // namespace strobe95::samples
