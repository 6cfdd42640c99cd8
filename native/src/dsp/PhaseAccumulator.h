#pragma once
// An oscillator phase kept as a 30-bit integer with a 24-bit remainder, so a per-sample
// increment built from single-precision products still accumulates without drift.
#include <cmath>
#include <cstdint>

namespace strobe95 {

inline constexpr float kPhaseScale = 0x1p30f;     // 2^30: one cycle in integer phase units
inline constexpr float kSubPhaseScale = 0x1p24f;  // 2^24: one phase unit in remainder units
inline constexpr float kInvPhaseScale = 0x1p-30f;
inline constexpr uint32_t kPhaseMask = (1u << 30) - 1u;
inline constexpr uint32_t kSubPhaseMask = (1u << 24) - 1u;

// One increment split into whole phase units and the remainder's share of a unit.
struct PhaseStep {
  int32_t whole = 0;
  uint32_t remainder = 0;
};

// cycles: the increment in cycles per sample, already brought into [-1, 1).
inline PhaseStep splitPhaseStep(float cycles) {
  const float units = cycles * kPhaseScale;
  const float whole = std::floor(units);
  return {static_cast<int32_t>(whole), static_cast<uint32_t>((units - whole) * kSubPhaseScale)};
}

class PhaseAccumulator {
 public:
  void clear() {
    phase_ = 0;
    subPhase_ = 0;
  }

  // Returns true when the phase passed the end of the cycle on this step.
  bool advance(PhaseStep step) {
    subPhase_ += step.remainder;
    const uint32_t carry = subPhase_ >> 24;
    subPhase_ &= kSubPhaseMask;
    const uint32_t sum = phase_ + carry + static_cast<uint32_t>(step.whole);
    phase_ = sum & kPhaseMask;
    return sum > kPhaseMask;
  }

  // Where `steps` calls of advance(step) would leave the phase, at once: together the
  // phase and the remainder are one 54-bit fixed-point number.
  void skip(PhaseStep step, uint64_t steps) {
    constexpr uint64_t kMask54 = (uint64_t{1} << 54) - 1u;
    const uint64_t now = (uint64_t{phase_} << 24) | subPhase_;
    const uint64_t increment = (uint64_t{static_cast<uint32_t>(step.whole) & kPhaseMask} << 24) | step.remainder;
    const uint64_t later = (now + steps * increment) & kMask54;
    phase_ = static_cast<uint32_t>(later >> 24);
    subPhase_ = static_cast<uint32_t>(later) & kSubPhaseMask;
  }

  uint32_t phase() const { return phase_; }
  // The phase as a fraction of the cycle, in [0, 1).
  float position() const { return static_cast<float>(phase_) * kInvPhaseScale; }

 private:
  uint32_t phase_ = 0;     // 30 bits
  uint32_t subPhase_ = 0;  // 24 bits
};

}  // namespace strobe95
