#pragma once
// The normal filter: a four-pole resonant lowpass built from two second-order sections,
// each the bilinear image of 1/(s² + A1·s + A0) realised as a normalised lattice. The
// lattice keeps its states bounded however fast the cutoff moves, which a direct-form
// biquad swept per sample does not.
#include <algorithm>
#include <cmath>

#include "Denormal.h"
#include "Lanes.h"

namespace strobe95::voice {

// Holds the reflection coefficients strictly inside the unit circle (1 − 2^-23).
inline constexpr float kMaxReflection = 0.9999999f;
// Keeps the tap divisions finite when a section's cosine would vanish (2^-11 − 2^-35).
inline constexpr float kMinLatticeCosine = 0.00048828122f;
// The resonance moves the four poles from −1 to −1 ± r ± j·r (relative to the cutoff),
// scaled by 0.99999 so that even r = 1 leaves the second section damped:
// A1 = 2 ± 2·0.99999·r and A0 = 1 ± 2·0.99999·r + (√2·0.99999·r)².
inline constexpr float kResonanceDamping = 1.99998f;
inline constexpr float kResonanceRadius = 1.4141995f;

// The analogue prototype of one section.
struct SectionPrototype {
  float a0 = 1.0f;
  float a1 = 2.0f;
};

// The prototypes of both sections at a resonance: the first section holds the damped
// pole pair, the second the pair that approaches the axis and makes the peak.
struct LatticeResonance {
  SectionPrototype first;
  SectionPrototype second;

  static LatticeResonance at(float resonance) {
    const float damping = kResonanceDamping * resonance;
    const float radius = kResonanceRadius * resonance;
    return {{1.0f + damping + radius * radius, 2.0f + damping},
            {1.0f - damping + radius * radius, 2.0f - damping}};
  }
};

struct LatticeCoefficients {
  float s1 = 0.0f, c1 = 1.0f, s2 = 0.0f, c2 = 1.0f;
  // Output taps on the input, the old second state and the two new lattice values.
  float inputTap = 0.0f, stateTap = 0.0f, secondTap = 0.0f, firstTap = 0.0f;

  // warp: tan(π·cutoff/sampleRate).
  static LatticeCoefficients make(float warp, SectionPrototype prototype) {
    const float p = warp * warp * prototype.a0;
    const float ga1 = warp * prototype.a1;
    const float d = p + ga1 + 1.0f;
    LatticeCoefficients k;
    k.s1 = std::clamp((p - 1.0f) / (p + 1.0f), -kMaxReflection, kMaxReflection);
    k.c1 = std::max(kMinLatticeCosine, 2.0f * std::sqrt(p) / (p + 1.0f));
    k.s2 = std::clamp((p - ga1 + 1.0f) / d, -kMaxReflection, kMaxReflection);
    k.c2 = std::max(kMinLatticeCosine, 2.0f * std::sqrt(ga1 * (p + 1.0f)) / d);
    const float scale = warp * warp / d;
    k.inputTap = scale * k.s2;
    k.stateTap = scale * k.c2;
    k.secondTap = scale * 2.0f * (ga1 + 2.0f) / (d * k.c2);
    k.firstTap = scale * 4.0f * (1.0f + ga1 - p) / (d * (p + 1.0f) * k.c2 * k.c1);
    return k;
  }
};

// One section on both channels at once: lane 0 the left, lane 1 the right.
class LatticeSection {
 public:
  void clear() {
    q1_ = lanes::Float4{};
    q2_ = lanes::Float4{};
  }

  lanes::Float4 process(lanes::Float4 x, const LatticeCoefficients& k) {
    const lanes::Float4 u = k.c2 * x - k.s2 * q2_;
    const lanes::Float4 t1 = k.c1 * u - k.s1 * q1_;
    const lanes::Float4 t2 = k.c1 * q1_ + k.s1 * u;
    const lanes::Float4 y = k.inputTap * x + k.stateTap * q2_ + k.secondTap * t2 + k.firstTap * t1;
    q1_ = lanes::flushDenormal(t1);
    q2_ = lanes::flushDenormal(t2);
    return y;
  }

 private:
  lanes::Float4 q1_{};
  lanes::Float4 q2_{};
};

struct LatticeLowpassCoefficients {
  LatticeCoefficients first;
  LatticeCoefficients second;

  static LatticeLowpassCoefficients make(float warp, const LatticeResonance& resonance) {
    return {LatticeCoefficients::make(warp, resonance.first),
            LatticeCoefficients::make(warp, resonance.second)};
  }
};

// The normal filter of both channels: lane 0 the left, lane 1 the right.
class LatticeLowpass {
 public:
  void clear() {
    first_.clear();
    second_.clear();
  }

  lanes::Float4 process(lanes::Float4 x, const LatticeLowpassCoefficients& k) {
    return second_.process(first_.process(x, k.first), k.second);
  }

 private:
  LatticeSection first_;
  LatticeSection second_;
};

}  // namespace strobe95::voice
