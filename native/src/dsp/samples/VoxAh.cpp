// A sung "ah": three voices of a small choir, each a glottal source of harmonics shaped
// by the formants of the open vowel, with vibrato that grows in and a breath of noise.
#include "Instruments.h"

namespace strobe95::samples {
namespace {

constexpr double kKey = 60.0;

struct Formant {
  double frequency;
  double bandwidth;
  double gainDb;
};
// The vowel /a/ of an alto voice, the bandwidths widened as a sung tone's are.
constexpr std::array<Formant, 5> kFormants{{
    {800.0, 130.0, 0.0},
    {1150.0, 140.0, -4.0},
    {2800.0, 200.0, -20.0},
    {3500.0, 250.0, -30.0},
    {4950.0, 300.0, -45.0},
}};

struct Singer {
  double level;
  double detune;        // semitones from the note
  double vibratoRate;   // Hz
  double vibratoPhase;  // cycles
};
// One lead voice with two quieter ones behind it: enough ensemble to sound sung by
// people, few enough that their beating never swallows the lead.
constexpr std::array<Singer, 3> kChoir{{{1.0, 0.0, 5.6, 0.0}, {0.3, -0.08, 5.2, 0.33}, {0.3, 0.07, 4.9, 0.71}}};

constexpr double kVibratoDepth = 0.07;  // semitones, the width of a relaxed vibrato
constexpr double kWander = 4.0;  // scales slow noise to a few cents of unsteady pitch
constexpr double kHighestHarmonic = 9000.0;
constexpr int kShapeInterval = 16;  // frames between updates of the harmonic amplitudes

// The vowel's spectral envelope: a resonance curve per formant, summed.
double vowelGain(double frequency) {
  double gain = 0.0;
  for (const Formant& formant : kFormants) {
    const double offset = (frequency - formant.frequency) / (0.5 * formant.bandwidth);
    gain += exponential(formant.gainDb / 20.0 * naturalLog(10.0)) / std::sqrt(1.0 + offset * offset);
  }
  return gain;
}

}  // namespace

Buffer renderVoxAh(int frames) {
  Noise noise(0xA4A4);
  const double f = keyFrequency(kKey);
  const int harmonics = static_cast<int>(kHighestHarmonic / f);
  std::vector<PhaseAccumulator> vibratos(kChoir.size());
  std::vector<double> phases(kChoir.size() * harmonics, 0.0);
  for (double& phase : phases) phase = 0.5 + 0.5 * noise.next();  // singers are not phase-locked
  std::vector<double> amplitudes(phases.size(), 0.0);
  StateVariableFilter breathLow;
  breathLow.set(kFormants[0].frequency, 4.0);
  StateVariableFilter breathHigh;
  breathHigh.set(kFormants[2].frequency, 4.0);
  OnePoleLowpass drift(3.0);

  Buffer out(frames);
  for (int i = 0; i < frames; ++i) {
    const double t = secondsAt(i);
    const double wander = kWander * drift.next(noise.next());
    double sum = 0.0;
    for (size_t s = 0; s < kChoir.size(); ++s) {
      const Singer& singer = kChoir[s];
      // A held note starts straight; the vibrato grows in over its first 0.4 s.
      const double vibrato =
          kVibratoDepth * rampIn(t, 0.4) * sineCycles(vibratos[s].advance(singer.vibratoRate) + singer.vibratoPhase);
      const double pitch = f * semitones(singer.detune + vibrato + wander);
      for (int h = 0; h < harmonics; ++h) {
        const size_t k = s * harmonics + h;
        const double frequency = pitch * (h + 1);
        if (i % kShapeInterval == 0) {
          // The glottal source falls by about 12 dB per octave; the mouth adds back 6.
          amplitudes[k] = singer.level * vowelGain(frequency) / (h + 1);
        }
        sum += amplitudes[k] * sineCycles(phases[k]);
        phases[k] += frequency / kSampleRate;
        phases[k] -= std::floor(phases[k]);
      }
    }
    const double white = noise.next();
    const double breath = 0.25 * breathLow.next(white).band + 0.15 * breathHigh.next(white).band;
    const double swell = rampIn(t, 0.08) * (1.0 - 0.15 * t);
    out[i] = swell * (sum + 0.08 * breath);
  }
  fadeOutTail(out, 0.12);
  return out;
}

}  // namespace strobe95::samples
