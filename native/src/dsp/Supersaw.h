#pragma once
// Seven detuned sawtooths spread across the stereo field. The detune offsets are uneven
// on purpose: evenly spaced ratios beat in step and the chorus sounds mechanical.
#include <array>
#include <cmath>

#include "SawOscillator.h"

namespace strobe95::voice {

inline constexpr int kSupersawCount = 7;

// Frequency offset of each saw at full detune, lowest first; the middle saw stays on pitch.
inline constexpr std::array<float, kSupersawCount> kSupersawDetune = {
    -0.11002313f, -0.06288439f, -0.01952356f, 0.0f, 0.01991221f, 0.06216538f, 0.10745242f};
// Pan position of each saw at full width, +1 fully left; neighbours in pitch sit apart.
inline constexpr std::array<float, kSupersawCount> kSupersawPan = {
    1.0f, -0.66f, 0.33f, 0.0f, -0.33f, 0.66f, -1.0f};

struct SupersawOutput {
  float left = 0.0f;
  float right = 0.0f;
};

// Per-block ratios and equal-power pan gains.
struct SupersawLayout {
  std::array<float, kSupersawCount> ratio{};
  std::array<float, kSupersawCount> left{};
  std::array<float, kSupersawCount> right{};
};

inline SupersawLayout makeSupersawLayout(float detune, float width) {
  SupersawLayout layout;
  for (int j = 0; j < kSupersawCount; ++j) {
    layout.ratio[j] = 1.0f + kSupersawDetune[j] * detune;
    // At the centre both gains are 1/sqrt(2), which keeps the middle saw's power equal to
    // its neighbours' at every width.
    const float spread = kSupersawPan[j] * width;
    layout.left[j] = std::sqrt((1.0f + spread) * 0.5f);
    layout.right[j] = std::sqrt((1.0f - spread) * 0.5f);
  }
  return layout;
}

class Supersaw {
 public:
  void clear() {
    for (SawOscillator& saw : saws_) saw.clear();
  }

  void setPitch(const SupersawLayout& layout, float frequency, float invSampleRate,
                float sampleRate) {
    for (int j = 0; j < kSupersawCount; ++j) {
      saws_[j].setFrequency(std::fabs(frequency * layout.ratio[j]), invSampleRate, sampleRate);
    }
  }

  // The unscaled stereo sum of the seven saws.
  SupersawOutput next(const SupersawLayout& layout) {
    SupersawOutput sum;
    for (int j = 0; j < kSupersawCount; ++j) {
      const float saw = saws_[j].next();
      sum.left += saw * layout.left[j];
      sum.right += saw * layout.right[j];
    }
    return sum;
  }

 private:
  std::array<SawOscillator, kSupersawCount> saws_;
};

}  // namespace strobe95::voice
