#pragma once
// The plate: the summed signal is diffused by four allpasses, then circulates in a tank
// of two cross-coupled halves, each an allpass, a delay, a damping lowpass, a second
// allpass and a second delay. The line lengths are fixed sample counts at every rate.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "DelayLine.h"
#include "Denormal.h"
#include "PlateAllpass.h"
#include "StereoSample.h"

namespace strobe95::fx {

// The input is halved: 0.49975 / (1 − 0.0005) is exactly 0.5 at DC.
inline constexpr float kPlateInputGain = 0.49975f;
inline constexpr float kPlateInputFeedback = 0.0005f;  // on the input two samples earlier

// Strong diffusion first, then gentler, so the tail is dense without ringing.
inline constexpr float kInputDiffusion1 = 0.75f;
inline constexpr float kInputDiffusion2 = 0.625f;
// Inverted in the tank's first allpass so the two halves decorrelate.
inline constexpr float kDecayDiffusion1 = -0.7f;
inline constexpr float kDecayDiffusion2 = 0.5f;

// Per-block values of the plate.
struct PlateSettings {
  float size = 0.0f;     // the gain applied on each pass through a tank half's delays
  float damping = 0.0f;  // the damping lowpass's pole
};

// One half of the tank. The second delay reuses the second allpass's length and offset.
template <std::size_t kAllpass1Length, std::size_t kDelay1Length, std::size_t kAllpass2Length>
class PlateTankHalf {
 public:
  PlateTankHalf(uint32_t allpass1Offset, uint32_t delay1, uint32_t allpass2Offset)
      : delay1_(delay1), delay2_(allpass2Offset), allpass1_(allpass1Offset, kDecayDiffusion1),
        allpass2_(allpass2Offset, kDecayDiffusion2) {}

  void clear() {
    allpass1_.clear();
    line1_.clear();
    allpass2_.clear();
    line2_.clear();
    lowpass_ = 0.0f;
  }

  // The damping lowpass's state: the tank's signal on its way between the two delays.
  float lowpass() const { return lowpass_; }

  // Returns the end of the half: what the other half takes in.
  float process(float input, uint32_t index, const PlateSettings& settings) {
    line1_.write(index, allpass1_.process(input, index));
    lowpass_ = flushDenormal((1.0f - settings.damping) * line1_.read(index, delay1_) +
                             settings.damping * lowpass_);
    line2_.write(index, allpass2_.process(settings.size * lowpass_, index));
    return line2_.read(index, delay2_);
  }

 private:
  uint32_t delay1_;
  uint32_t delay2_;

  PlateAllpass<kAllpass1Length> allpass1_;
  DelayLine<kDelay1Length> line1_;
  float lowpass_ = 0.0f;
  PlateAllpass<kAllpass2Length> allpass2_;
  DelayLine<kAllpass2Length> line2_;
};

class PlateReverb {
 public:
  void clear() {
    lastInput_ = 0.0f;
    secondLastInput_ = 0.0f;
    diffuser1_.clear();
    diffuser2_.clear();
    diffuser3_.clear();
    diffuser4_.clear();
    halfA_.clear();
    halfB_.clear();
    tankInput_ = {};
  }

  // The larger of the two halves' lowpass states, in magnitude.
  float lowpassPeak() const { return std::max(std::fabs(halfA_.lowpass()), std::fabs(halfB_.lowpass())); }

  // Returns the wet left and right: the two halves' inputs.
  StereoSample process(float input, uint32_t index, const PlateSettings& settings) {
    const float scaled = flushDenormal(kPlateInputGain * input + kPlateInputFeedback * secondLastInput_);
    secondLastInput_ = lastInput_;
    lastInput_ = scaled;

    float diffused = diffuser1_.process(scaled, index);
    diffused = diffuser2_.process(diffused, index);
    diffused = diffuser3_.process(diffused, index);
    diffused = diffuser4_.process(diffused, index);

    // Each half hears its input one sample late; the inputs are then formed anew.
    const float endA = halfA_.process(tankInput_.left, index, settings);
    const float endB = halfB_.process(tankInput_.right, index, settings);
    tankInput_ = {flushDenormal(diffused + settings.size * endB),
                  flushDenormal(diffused + settings.size * endA)};
    return tankInput_;
  }

 private:
  float lastInput_ = 0.0f;
  float secondLastInput_ = 0.0f;
  PlateAllpass<256> diffuser1_{142, kInputDiffusion1};
  PlateAllpass<128> diffuser2_{107, kInputDiffusion1};
  PlateAllpass<512> diffuser3_{379, kInputDiffusion2};
  PlateAllpass<512> diffuser4_{277, kInputDiffusion2};
  PlateTankHalf<1024, 8192, 2048> halfA_{672, 4453, 1800};
  PlateTankHalf<1024, 8192, 4096> halfB_{908, 4217, 2656};
  StereoSample tankInput_;  // left: half A's input, right: half B's
};

}  // namespace strobe95::fx
