#pragma once
// Drives one effects processor the way the engine does: controls by label, blocks of at
// most 128 frames, two inputs and two outputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include "Effects.h"
#include "Zones.h"

namespace strobe95::test {

struct StereoBuffer {
  std::vector<float> left;
  std::vector<float> right;

  explicit StereoBuffer(std::size_t frames = 0) : left(frames, 0.0f), right(frames, 0.0f) {}
  std::size_t size() const { return left.size(); }
};

class EffectsRig {
 public:
  explicit EffectsRig(int sampleRate = 48000,
                      std::unique_ptr<faust::dsp> processor = std::make_unique<gen::Effects>())
      : effects_(std::move(processor)) {
    effects_->init(sampleRate);
    effects_->buildUserInterface(&zones_);
  }

  faust::dsp& effects() { return *effects_; }

  void set(std::string_view label, float value) {
    float* zone = zones_.find(label);
    ASSERT_NE(zone, nullptr) << label;
    *zone = value;
  }

  StereoBuffer run(const StereoBuffer& input) {
    StereoBuffer output(input.size());
    for (std::size_t start = 0; start < input.size(); start += kBlock) {
      const auto frames = static_cast<int>(std::min(kBlock, input.size() - start));
      float* in[2] = {const_cast<float*>(input.left.data() + start), const_cast<float*>(input.right.data() + start)};
      float* out[2] = {output.left.data() + start, output.right.data() + start};
      effects_->compute(frames, in, out);
    }
    return output;
  }

  StereoBuffer runSilence(std::size_t frames) { return run(StereoBuffer(frames)); }

 private:
  static constexpr std::size_t kBlock = 128;
  std::unique_ptr<faust::dsp> effects_;
  Zones zones_;
};

// A reproducible white noise in [-amplitude, amplitude].
inline std::vector<float> noise(std::size_t frames, float amplitude, unsigned seed = 1) {
  std::vector<float> samples(frames);
  unsigned state = seed;
  for (float& sample : samples) {
    state = state * 1664525u + 1013904223u;
    sample = amplitude * (static_cast<float>(state >> 8) * 0x1p-23f - 1.0f);
  }
  return samples;
}

}  // namespace strobe95::test
