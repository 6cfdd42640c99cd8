#pragma once
// Saturation: tanh with a pre-gain, scaled back by 1/√(pre-gain) so turning the drive up
// thickens the sound without making it much louder.
#include <cmath>

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

inline float drive(float x, const DriveGains& gains) {
  if (gains.wet == 0.0f) return x * gains.dry;  // no curve to compute in bypass
  return std::tanh(x * gains.preGain) * gains.wet + x * gains.dry;
}

}  // namespace strobe95::fx
