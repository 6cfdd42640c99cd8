#pragma once
// Drives one voice the way the engine does: controls written by label between compute
// calls, blocks of at most 128 frames, one input and two outputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <functional>
#include <numbers>
#include <string_view>
#include <vector>

#include "Voice.h"
#include "Zones.h"

namespace strobe95::test {

struct Stereo {
  std::vector<float> left;
  std::vector<float> right;
};

class VoiceRig {
 public:
  static constexpr int kBlock = 128;

  explicit VoiceRig(int sampleRate = 48000) : sampleRate_(sampleRate) {
    voice_.init(sampleRate);
    voice_.buildUserInterface(&zones_);
  }

  void set(std::string_view label, float value) {
    float* zone = zones_.find(label);
    ASSERT_NE(zone, nullptr) << label;
    *zone = value;
  }

  // Every source off, the filter wide open and flat, the envelope a plain gate at full
  // velocity: a test then turns on only what it measures.
  void quiet() {
    for (auto label : {"supersaw", "sub", "pwm", "noise", "sample_level", "hoover", "env_amount",
                       "resonance", "key_track", "glide", "width"}) {
      set(label, 0.0f);
    }
    set("cutoff", 16000.0f);
    set("attack", 0.001f);
    set("sustain", 1.0f);
    set("gain", 1.0f);
  }

  // input(i): the sample layer's value at frame i of this render.
  Stereo render(int frames, const std::function<float(int)>& input = {}) {
    Stereo out{std::vector<float>(frames), std::vector<float>(frames)};
    std::vector<float> in(kBlock);
    for (int start = 0; start < frames; start += kBlock) {
      const int n = std::min(kBlock, frames - start);
      for (int i = 0; i < n; ++i) in[i] = input ? input(start + i) : 0.0f;
      float* inputs[] = {in.data()};
      float* outputs[] = {out.left.data() + start, out.right.data() + start};
      voice_.compute(n, inputs, outputs);
    }
    return out;
  }

  Stereo renderConstant(int frames, float value) {
    return render(frames, [value](int) { return value; });
  }

  gen::Voice& voice() { return voice_; }
  int sampleRate() const { return sampleRate_; }

 private:
  int sampleRate_;
  gen::Voice voice_;
  Zones zones_;
};

// The voice's fixed output scale: a full-scale filter output at full envelope and
// velocity leaves the voice at 0.35.
inline constexpr float kVoiceOutputLevel = 0.35f;

// Amplitude of the component at `frequency` in x[from, from + length), Hann-windowed so
// that neighbouring components 4 Hz apart do not leak into each other over a 2 s window.
inline double toneAmplitude(const std::vector<float>& x, int from, int length, double frequency,
                            double sampleRate) {
  const std::complex<double> turn = std::polar(1.0, -2.0 * std::numbers::pi * frequency / sampleRate);
  std::complex<double> rotor = 1.0, sum = 0.0;
  double windowSum = 0.0;
  for (int i = 0; i < length; ++i) {
    const double w = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / (length - 1));
    sum += w * double(x[from + i]) * rotor;
    rotor *= turn;
    windowSum += w;
  }
  return 2.0 * std::abs(sum) / windowSum;
}

// Times, in fractional samples, where x crosses zero upwards within [from, to).
inline std::vector<double> upwardCrossings(const std::vector<float>& x, int from, int to) {
  std::vector<double> at;
  for (int i = std::max(from, 1); i < to; ++i) {
    if (x[i - 1] < 0.0f && x[i] >= 0.0f) at.push_back(i - 1 + double(x[i - 1]) / (double(x[i - 1]) - x[i]));
  }
  return at;
}

}  // namespace strobe95::test
