// The percussive organ of early house bass lines: drawbar sines with a fast-decaying
// third-harmonic percussion and key click, two detuned banks beating against each other,
// driven a little.
#include "Instruments.h"

namespace strobe95::samples {
namespace {

constexpr double kKey = 48.0;
constexpr std::array<double, 2> kBankDetune{-0.09, 0.09};  // semitones
// The second bank is quieter, so its beating colours the tone without ever cancelling it.
constexpr std::array<double, 2> kBankLevel{1.0, 0.45};

struct Drawbar {
  double harmonic;
  double level;
  bool percussive;  // struck and decaying rather than held
};

constexpr std::array<Drawbar, 10> kDrawbars{{
    {0.5, 0.35, false},
    {1.0, 1.0, false},
    {2.0, 0.75, false},
    {3.0, 0.6, true},
    {4.0, 0.5, false},
    {6.0, 0.3, true},
    {8.0, 0.35, false},
    {10.0, 0.12, false},
    {12.0, 0.1, false},
    {16.0, 0.08, true},
}};

constexpr double kDrive = 1.6;

}  // namespace

Buffer renderHouseOrgan(int frames) {
  Noise noise(0x060A6A11);
  std::vector<Phasor> partials;
  for (double detune : kBankDetune) {
    for (const Drawbar& bar : kDrawbars) {
      partials.emplace_back(keyFrequency(kKey + detune) * bar.harmonic, 0.5 + 0.5 * noise.next());
    }
  }
  StateVariableFilter click;
  click.set(3000.0, 1.2);

  Buffer out(frames);
  for (int i = 0; i < frames; ++i) {
    const double t = secondsAt(i);
    const double percussion = 0.1 + 0.9 * decay(t, 0.09);
    double tone = 0.0;
    for (size_t p = 0; p < partials.size(); ++p) {
      const Drawbar& bar = kDrawbars[p % kDrawbars.size()];
      tone += partials[p].next() * bar.level * kBankLevel[p / kDrawbars.size()] * (bar.percussive ? percussion : 1.0);
    }
    const double body = rampIn(t, 0.003) * (0.4 + 0.6 * decay(t, 0.16));
    const double keyClick = click.next(noise.next()).band * rampIn(t, 0.0005) * decay(t, 0.004);
    out[i] = saturate(kDrive * 0.25 * (body * tone + 0.5 * keyClick));
  }
  fadeOutTail(out, 0.08);
  return out;
}

}  // namespace strobe95::samples
