#pragma once
// Seven detuned sawtooths spread across the stereo field. The detune offsets are uneven
// on purpose: evenly spaced ratios beat in step and the chorus sounds mechanical.
//
// Each saw is a 30-bit phase with a 24-bit remainder (see PhaseAccumulator.h), and each
// sample is the ramp's average over the sample period, so the sample that holds the wrap
// carries the sub-sample-positioned transition instead of a full-height step: a
// first-order band limit at almost no cost. The seven run side by side in two groups of
// four lanes (the eighth lane is silent).
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "Lanes.h"
#include "PhaseAccumulator.h"

namespace strobe95::voice {

inline constexpr int kSupersawCount = 7;

// Frequency offset of each saw at full detune, lowest first; the middle saw stays on pitch.
inline constexpr std::array<float, kSupersawCount> kSupersawDetune = {
    -0.11002313f, -0.06288439f, -0.01952356f, 0.0f, 0.01991221f, 0.06216538f, 0.10745242f};
// Pan position of each saw at full width, +1 fully left; neighbours in pitch sit apart.
inline constexpr std::array<float, kSupersawCount> kSupersawPan = {
    1.0f, -0.66f, 0.33f, 0.0f, -0.33f, 0.66f, -1.0f};

// Keeps the wrap correction's division finite for a zero frequency.
inline constexpr float kMinOscillatorFrequency = 1.1920929e-7f;

// Per-block ratios and equal-power pan gains, the gains in the saws' two groups of lanes
// (the silent eighth lane's are 0).
struct SupersawLayout {
  std::array<float, kSupersawCount> ratio{};
  std::array<lanes::Float4, 2> leftGains{};
  std::array<lanes::Float4, 2> rightGains{};
};

inline SupersawLayout makeSupersawLayout(float detune, float width) {
  SupersawLayout layout;
  for (int j = 0; j < kSupersawCount; ++j) {
    layout.ratio[j] = 1.0f + kSupersawDetune[j] * detune;
    // At the centre both gains are 1/sqrt(2), which keeps the middle saw's power equal to
    // its neighbours' at every width.
    const float spread = kSupersawPan[j] * width;
    layout.leftGains[j / 4][j % 4] = std::sqrt((1.0f + spread) * 0.5f);
    layout.rightGains[j / 4][j % 4] = std::sqrt((1.0f - spread) * 0.5f);
  }
  return layout;
}

class Supersaw {
 public:
  void clear() {
    for (int g = 0; g < 2; ++g) {
      phase_[g] = lanes::Uint4{};
      subPhase_[g] = lanes::Uint4{};
    }
  }

  // Called whenever the pitch moves; a held note keeps its increments between calls.
  void setPitch(const SupersawLayout& layout, float frequency, float invSampleRate, float sampleRate) {
    for (int j = 0; j < kSupersawCount; ++j) {
      const float f = std::fabs(frequency * layout.ratio[j]);
      const float increment = f * invSampleRate;
      const PhaseStep step = splitPhaseStep(increment - std::floor(increment));
      const int g = j / 4, lane = j % 4;
      increment_[g][lane] = increment;
      whole_[g][lane] = static_cast<uint32_t>(step.whole);
      remainder_[g][lane] = step.remainder;
      // position / increment is how far into the wrap sample the wrap lies.
      wrapSlope_[g][lane] = 1.0f - sampleRate / std::max(f, kMinOscillatorFrequency);
    }
  }

  // The unscaled stereo sum of the seven saws: the left in lanes 0 and 2, the right in
  // lanes 1 and 3.
  lanes::Float4 next(const SupersawLayout& layout) {
    using lanes::Float4;
    using lanes::Int4;
    Float4 saws[2];
    for (int g = 0; g < 2; ++g) {
      subPhase_[g] += remainder_[g];
      const lanes::Uint4 carry = subPhase_[g] >> 24;
      subPhase_[g] &= kSubPhaseMask;
      // Below 2^31 (a phase, a carry and an increment under one cycle), so the signed
      // comparison and conversion see the true values.
      const lanes::Uint4 sum = phase_[g] + carry + whole_[g];
      phase_[g] = sum & kPhaseMask;
      const Int4 wrapped = reinterpret_cast<Int4>(sum) > static_cast<int32_t>(kPhaseMask);
      Float4 position = __builtin_convertvector(reinterpret_cast<Int4>(phase_[g]), Float4) * kInvPhaseScale;
      position = lanes::select(wrapped, 1.0f + wrapSlope_[g] * position, position);
      saws[g] = 2.0f * position - 1.0f - increment_[g];
    }
    // Each channel's eight products summed as a tree: lanes in pairs, then the pairs.
    const Float4 left = saws[0] * layout.leftGains[0] + saws[1] * layout.leftGains[1];
    const Float4 right = saws[0] * layout.rightGains[0] + saws[1] * layout.rightGains[1];
    const Float4 pairs =
        __builtin_shufflevector(left, right, 0, 2, 4, 6) + __builtin_shufflevector(left, right, 1, 3, 5, 7);
    return __builtin_shufflevector(pairs, pairs, 0, 2, 1, 3) + __builtin_shufflevector(pairs, pairs, 1, 3, 0, 2);
  }

 private:
  // Lanes 0..3 hold saws 1..4, lanes 4..6 saws 5..7; the last lane never moves.
  lanes::Uint4 phase_[2]{};
  lanes::Uint4 subPhase_[2]{};
  // Derived from the pitch, not state: every compute call sets them before its first sample.
  lanes::Uint4 whole_[2]{};
  lanes::Uint4 remainder_[2]{};
  lanes::Float4 increment_[2]{};
  lanes::Float4 wrapSlope_[2]{};
};

}  // namespace strobe95::voice
