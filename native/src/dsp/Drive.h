#pragma once
// Saturation: tanh with a pre-gain, scaled back by 1/√(pre-gain) so turning the drive up
// thickens the sound without making it much louder.
#include <cmath>

#include "LaneTanh.h"
#include "StereoSample.h"

namespace strobe95::fx {

// At full drive the signal goes seven times harder into the curve.
inline constexpr float kDriveRange = 6.0f;

struct DriveGains {
  float preGain = 1.0f;
  float wet = 0.0f;  // 1/√preGain while driving, else 0
  float dry = 1.0f;  // 1 at drive 0, so that setting is an exact bypass

  static DriveGains forAmount(float amount) {
    const float preGain = 1.0f + kDriveRange * amount;
    const bool driving = amount > 0.0f;
    // The root is taken only while driving: a negative amount must not turn into NaN.
    return {preGain, driving ? 1.0f / std::sqrt(preGain) : 0.0f, driving ? 0.0f : 1.0f};
  }
};

// Both channels through one lane tanh.
inline StereoSample drive(StereoSample x, const DriveGains& gains) {
  if (gains.wet == 0.0f) return {x.left * gains.dry, x.right * gains.dry};  // no curve in bypass
  const lanes::Float4 in{x.left, x.right, 0.0f, 0.0f};
  const lanes::Float4 out = lanes::tanh(in * gains.preGain) * gains.wet + in * gains.dry;
  return {out[0], out[1]};
}

}  // namespace strobe95::fx
