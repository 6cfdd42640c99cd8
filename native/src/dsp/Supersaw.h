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

// Per-block ratios and equal-power pan gains. The gains are stored in pairs, saw j's left
// and right side by side, so the stereo sum adds both channels in one step per saw.
struct SupersawLayout {
  std::array<float, kSupersawCount> ratio{};
  std::array<lanes::Float4, 4> pairGains{};  // {left j, right j, left j+1, right j+1}
};

inline SupersawLayout makeSupersawLayout(float detune, float width) {
  SupersawLayout layout;
  alignas(16) std::array<float, 16> gains{};
  for (int j = 0; j < kSupersawCount; ++j) {
    layout.ratio[j] = 1.0f + kSupersawDetune[j] * detune;
    // At the centre both gains are 1/sqrt(2), which keeps the middle saw's power equal to
    // its neighbours' at every width.
    const float spread = kSupersawPan[j] * width;
    gains[2 * j] = std::sqrt((1.0f + spread) * 0.5f);
    gains[2 * j + 1] = std::sqrt((1.0f - spread) * 0.5f);
  }
  for (int k = 0; k < 4; ++k) {
    layout.pairGains[k] = lanes::Float4{gains[4 * k], gains[4 * k + 1], gains[4 * k + 2], gains[4 * k + 3]};
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

  // The unscaled stereo sum of the seven saws, added in saw order: the left in lane 0,
  // the right in lane 1 (lanes 2 and 3 hold partial sums of no use).
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
    // Products paired as {saw j·left j, saw j·right j, ...}, then summed one saw at a
    // time so the sum rounds exactly as a plain loop over the saws would.
    const Float4 p0 = __builtin_shufflevector(saws[0], saws[0], 0, 0, 1, 1) * layout.pairGains[0];
    const Float4 p1 = __builtin_shufflevector(saws[0], saws[0], 2, 2, 3, 3) * layout.pairGains[1];
    const Float4 p2 = __builtin_shufflevector(saws[1], saws[1], 0, 0, 1, 1) * layout.pairGains[2];
    const Float4 p3 = __builtin_shufflevector(saws[1], saws[1], 2, 2, 3, 3) * layout.pairGains[3];
    Float4 sum = p0 + __builtin_shufflevector(p0, p0, 2, 3, 2, 3);
    sum += p1;
    sum += __builtin_shufflevector(p1, p1, 2, 3, 2, 3);
    sum += p2;
    sum += __builtin_shufflevector(p2, p2, 2, 3, 2, 3);
    sum += p3;
    return sum;
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
