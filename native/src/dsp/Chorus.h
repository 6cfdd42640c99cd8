#pragma once
// Two short delay taps, one per channel, swept in opposite directions by one triangle
// LFO: the pitch wobble of each side cancels in mono while the stereo image widens.
#include <cstdint>

#include "ChorusLfo.h"
#include "DelayLine.h"
#include "StereoSample.h"

namespace strobe95::fx {

// A slow sweep: one cycle takes almost two seconds.
inline constexpr float kChorusLfoHz = 0.55f;
// The taps move between 3.5 and 6.5 ms: long enough to avoid comb colouring of the
// attack, short enough to be heard as one thickened voice rather than an echo.
inline constexpr float kChorusMinDelaySeconds = 0.0035f;
inline constexpr float kChorusSweepSeconds = 0.003f;
// 6.5 ms at 192 kHz is 1248 samples; the next power of two.
inline constexpr std::size_t kChorusLineLength = 2048;

class Chorus {
 public:
  void setSampleRate(float sampleRate) {
    sampleRate_ = sampleRate;
    lfo_.setFrequency(kChorusLfoHz / sampleRate);
  }

  void clear() {
    lfo_.clear();
    left_.clear();
    right_.clear();
  }

  // Moves the sweep on without running the taps.
  void skipFrames(uint64_t frames) { lfo_.skip(frames); }

  // Stores this frame's input and returns the two swept taps.
  StereoSample process(StereoSample input, uint32_t index) {
    const float sweep = lfo_.next();
    left_.write(index, input.left);
    right_.write(index, input.right);
    return {left_.readFractional(index, tapDelay(sweep)),
            right_.readFractional(index, tapDelay(1.0f - sweep))};
  }

 private:
  float tapDelay(float sweep) const {
    return (kChorusMinDelaySeconds + kChorusSweepSeconds * sweep) * sampleRate_;
  }

  float sampleRate_ = 48000.0f;
  ChorusLfo lfo_;
  DelayLine<kChorusLineLength> left_;
  DelayLine<kChorusLineLength> right_;
};

}  // namespace strobe95::fx
