// Renders a short test signal through the effects chain at a few settings, for listening:
// strobe95-effects-listen <directory> writes effects-<name>.wav and a spectrogram
// effects-<name>.png (through sox) for each setting, and prints each file's peak level.
//
// The signal: a band-limited saw chord that decays over a second, on both channels; then,
// at 2.5 s, a right-only click that only the delay repeats; then a left-only click that
// the reverb spreads but the delay ignores.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "AudioFiles.h"
#include "Effects.h"
#include "Zones.h"

namespace {

constexpr int kSampleRate = 48000;
constexpr int kFrames = kSampleRate * 5;
constexpr int kBlock = 128;

struct Setting {
  const char* name;
  std::vector<std::pair<const char*, float>> controls;
};

// A sawtooth built from its harmonics below Nyquist, so nothing in the spectrogram is
// the test signal's own aliasing.
float bandLimitedSaw(double frequency, double seconds) {
  double sum = 0.0;
  for (int k = 1; k * frequency < kSampleRate / 2; ++k) {
    sum += std::sin(2.0 * std::numbers::pi * k * frequency * seconds) / k;
  }
  return static_cast<float>(sum * 2.0 / std::numbers::pi);
}

std::pair<std::vector<float>, std::vector<float>> testSignal() {
  std::vector<float> left(kFrames, 0.0f), right(kFrames, 0.0f);
  const double chord[] = {220.0, 277.18, 329.63};  // A major
  for (int n = 0; n < kSampleRate * 2; ++n) {
    const double t = static_cast<double>(n) / kSampleRate;
    float sample = 0.0f;
    for (double frequency : chord) sample += bandLimitedSaw(frequency, t);
    sample *= 0.2f * static_cast<float>(std::exp(-t / 0.35));
    left[n] = sample;
    right[n] = sample;
  }
  right[kSampleRate * 5 / 2] = 0.7f;
  left[kSampleRate * 7 / 2] = 0.7f;
  return {left, right};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output directory>\n", argv[0]);
    return 2;
  }
  const std::string directory = argv[1];
  const Setting settings[] = {
      {"dry", {}},
      {"drive", {{"drive", 1.0f}}},
      {"chorus", {{"chorus", 1.0f}}},
      {"delay", {{"delay_mix", 0.7f}, {"delay_feedback", 0.6f}, {"delay_seconds", 0.25f}}},
      {"delay-dark", {{"delay_mix", 0.7f}, {"delay_feedback", 0.8f}, {"delay_seconds", 0.25f}, {"delay_tone", 800.0f}}},
      {"reverb", {{"reverb_mix", 0.7f}, {"reverb_size", 0.85f}, {"reverb_damp", 0.2f}}},
      {"all", {{"drive", 0.5f}, {"chorus", 0.6f}, {"delay_mix", 0.4f}, {"delay_seconds", 0.375f},
               {"reverb_mix", 0.4f}, {"reverb_size", 0.8f}}},
  };
  const auto [inLeft, inRight] = testSignal();

  int failures = 0;
  for (const Setting& setting : settings) {
    auto effects = std::make_unique<strobe95::gen::Effects>();
    effects->init(kSampleRate);
    strobe95::Zones zones;
    effects->buildUserInterface(&zones);
    for (const auto& [label, value] : setting.controls) *zones.find(label) = value;

    std::vector<float> outLeft(kFrames), outRight(kFrames);
    for (int start = 0; start < kFrames; start += kBlock) {
      float* in[2] = {const_cast<float*>(inLeft.data() + start), const_cast<float*>(inRight.data() + start)};
      float* out[2] = {outLeft.data() + start, outRight.data() + start};
      effects->compute(std::min(kBlock, kFrames - start), in, out);
    }

    float peak = 0.0f;
    for (int n = 0; n < kFrames; ++n) peak = std::max({peak, std::fabs(outLeft[n]), std::fabs(outRight[n])});
    const std::string base = directory + "/effects-" + setting.name;
    std::vector<float> interleaved(outLeft.size() * 2);
    for (std::size_t n = 0; n < outLeft.size(); ++n) {
      interleaved[2 * n] = outLeft[n];
      interleaved[2 * n + 1] = outRight[n];
    }
    if (!strobe95::tools::writeWav(base + ".wav", kSampleRate, 2, interleaved)) {
      std::fprintf(stderr, "cannot write %s.wav\n", base.c_str());
      ++failures;
      continue;
    }
    if (!strobe95::tools::drawSpectrogram(base + ".wav", base + ".png", std::string("effects: ") + setting.name)) {
      std::fprintf(stderr, "sox failed for %s\n", base.c_str());
      ++failures;
    }
    std::printf("%-11s peak %.3f (%.1f dBFS)\n", setting.name, peak, 20.0 * std::log10(std::max(peak, 1e-9f)));
  }
  return failures == 0 ? 0 : 1;
}
