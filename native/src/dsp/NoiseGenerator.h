#pragma once
// White noise from a linear congruential generator. Every voice starts from the same
// state, so a chord's voices started together hiss identically (and tests can repeat it).
#include <cstdint>

namespace strobe95::voice {

// Scales a signed 32-bit word to [-1, 1).
inline constexpr float kInvTwoPow31 = 0x1p-31f;
// The classic ANSI C multiplier and increment: full period over 2^32.
inline constexpr uint32_t kNoiseMultiplier = 1103515245u;
inline constexpr uint32_t kNoiseIncrement = 12345u;

class NoiseGenerator {
 public:
  void clear() { state_ = 0; }

  // A sample in [-1, 1).
  float next() {
    state_ = state_ * kNoiseMultiplier + kNoiseIncrement;
    return static_cast<float>(static_cast<int32_t>(state_)) * kInvTwoPow31;
  }

 private:
  uint32_t state_ = 0;
};

}  // namespace strobe95::voice
