// A whole orchestra striking one chord: brass and strings in octaves over a timpani
// thump, the bow and breath noise of the attack in front, the hall behind.
#include "Ambience.h"
#include "Instruments.h"

namespace strobe95::samples {
namespace {

// C major spread the way an orchestrator voices a tutti: brass low and middle, strings
// doubling an octave higher.
constexpr std::array<double, 5> kBrassKeys{48, 55, 60, 64, 67};
constexpr std::array<double, 6> kStringKeys{60, 67, 72, 76, 79, 84};
constexpr std::array<double, 2> kBrassDetune{-0.05, 0.05};        // semitones
constexpr std::array<double, 3> kStringDetune{-0.09, 0.0, 0.08};  // a section, not a player
constexpr double kScoopDepth = -0.4;  // semitones: brass lips settle onto the pitch
constexpr double kTimpaniKey = 36.0;
constexpr double kTimpaniOvertone = 1.5;  // a kettle drum's strongest partial above its note
constexpr double kHallMix = 0.35;
// Hz: the band-limit of the sampler era, which also keeps the attack noise from hissing.
constexpr double kBandLimit = 12000.0;

struct BrassNote {
  double frequency;
  std::array<BlepSaw, 2> saws;
  StateVariableFilter filter;
};

struct StringNote {
  double frequency;
  std::array<BlepSaw, 3> saws;
  StateVariableFilter filter;
};

}  // namespace

Buffer renderOrchHit(int frames) {
  Noise noise(0x0C4E57A1);
  std::vector<BrassNote> brass;
  for (double key : kBrassKeys) {
    brass.push_back({keyFrequency(key), {BlepSaw(0.5 + 0.5 * noise.next()), BlepSaw(0.5 + 0.5 * noise.next())}, {}});
  }
  std::vector<StringNote> strings;
  for (double key : kStringKeys) {
    strings.push_back({keyFrequency(key),
                       {BlepSaw(0.5 + 0.5 * noise.next()), BlepSaw(0.5 + 0.5 * noise.next()),
                        BlepSaw(0.5 + 0.5 * noise.next())},
                       {}});
  }
  PhaseAccumulator timpani;
  PhaseAccumulator timpaniOvertone;
  StateVariableFilter breath;
  breath.set(2500.0, 0.6);
  StateVariableFilter splash;
  splash.set(6500.0, 0.7);
  Ambience hall(0.8, 0.35);
  StateVariableFilter bandLimit;
  bandLimit.set(kBandLimit, 0.7);

  Buffer out(frames);
  for (int i = 0; i < frames; ++i) {
    const double t = secondsAt(i);

    const double scoop = kScoopDepth * decay(t, 0.015);
    const double brassCutoff = 1200.0 + 7000.0 * decay(t, 0.12);
    const double brassLevel = rampIn(t, 0.006) * (0.25 + 0.75 * decay(t, 0.18)) * decay(t, 0.5);
    double brassSum = 0.0;
    for (BrassNote& note : brass) {
      note.filter.set(brassCutoff, 0.9);
      double saws = 0.0;
      for (size_t s = 0; s < note.saws.size(); ++s) {
        saws += note.saws[s].next(note.frequency * semitones(scoop + kBrassDetune[s]));
      }
      brassSum += note.filter.next(saws).low;
    }

    const double stringCutoff = 3500.0 + 5500.0 * decay(t, 0.3);
    const double stringLevel = rampIn(t, 0.012) * decay(t, 0.35);
    double stringSum = 0.0;
    for (StringNote& note : strings) {
      note.filter.set(stringCutoff, 0.7);
      double saws = 0.0;
      for (size_t s = 0; s < note.saws.size(); ++s) {
        saws += note.saws[s].next(note.frequency * semitones(kStringDetune[s]));
      }
      stringSum += note.filter.next(saws).low;
    }

    const double drumFrequency = keyFrequency(kTimpaniKey) * (1.0 + 0.3 * decay(t, 0.04));
    const double drum = (sineCycles(timpani.advance(drumFrequency)) +
                         0.4 * sineCycles(timpaniOvertone.advance(drumFrequency * kTimpaniOvertone))) *
                        rampIn(t, 0.002) * decay(t, 0.25);

    const double white = noise.next();
    const double attackNoise = breath.next(white).band * decay(t, 0.03) +
                               0.15 * splash.next(white).high * decay(t, 0.05);

    const double dry = 0.3 * brassLevel * brassSum + 0.14 * stringLevel * stringSum + 0.3 * drum +
                       0.5 * attackNoise;
    out[i] = saturate(1.3 * bandLimit.next(dry + kHallMix * hall.next(dry)).low);
  }
  fadeOutTail(out, 0.06);
  return out;
}

}  // namespace strobe95::samples
