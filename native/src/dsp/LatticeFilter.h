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

// One section's coefficients; V holds one sample's in each lane.
template <class V>
struct LatticeSectionTaps {
  V s1, c1, s2, c2;
  // Output taps on the input, the old second state and the two new lattice values.
  V inputTap, stateTap, secondTap, firstTap;

  // warp: tan(π·cutoff/sampleRate).
  static LatticeSectionTaps make(V warp, const SectionPrototype& section) {
    const V p = warp * warp * section.a0;
    const V ga1 = warp * section.a1;
    const V d = p + ga1 + 1.0f;
    const V maxReflection = lanes::splatTo<V>(kMaxReflection);
    const V minCosine = lanes::splatTo<V>(kMinLatticeCosine);
    LatticeSectionTaps k;
    k.s1 = lanes::clamp((p - 1.0f) / (p + 1.0f), -maxReflection, maxReflection);
    k.c1 = lanes::max(minCosine, 2.0f * lanes::sqrt(p) / (p + 1.0f));
    k.s2 = lanes::clamp((p - ga1 + 1.0f) / d, -maxReflection, maxReflection);
    k.c2 = lanes::max(minCosine, 2.0f * lanes::sqrt(ga1 * (p + 1.0f)) / d);
    const V scale = warp * warp / d;
    k.inputTap = scale * k.s2;
    k.stateTap = scale * k.c2;
    k.secondTap = scale * 2.0f * (ga1 + 2.0f) / (d * k.c2);
    k.firstTap = scale * 4.0f * (1.0f + ga1 - p) / (d * (p + 1.0f) * k.c2 * k.c1);
    return k;
  }
};

// Both sections' coefficients for one step of LatticeLowpass: lanes 0 and 1 hold the
// first section's, lanes 2 and 3 the second's.
struct LatticeStepCoefficients {
  lanes::Float4 s1, c1, s2, c2;
  lanes::Float4 inputTap, stateTap, secondTap, firstTap;
};

// A run of coefficient sets, each field of each section in an array of its own, so that
// sets computed side by side are stored as whole vectors.
template <int Capacity>
class LatticeSets {
 public:
  // The sets from `at` on, as many as V has lanes.
  template <class V>
  void store(int at, const LatticeSectionTaps<V>& first, const LatticeSectionTaps<V>& second) {
    for (int f = 0; f < kFields; ++f) {
      __builtin_memcpy(&first_[f][at], &(first.*kTaps<V>[f]), sizeof(V));
      __builtin_memcpy(&second_[f][at], &(second.*kTaps<V>[f]), sizeof(V));
    }
  }

  void put(int at, const LatticeStepCoefficients& k) {
    for (int f = 0; f < kFields; ++f) {
      first_[f][at] = (k.*kSteps[f])[0];
      second_[f][at] = (k.*kSteps[f])[2];
    }
  }

  // One step's coefficients: the first section's from set `now`, the second's from set
  // `before`, which differ when the cutoff moved between the two samples it works on.
  LatticeStepCoefficients step(int now, int before) const {
    LatticeStepCoefficients k;
    for (int f = 0; f < kFields; ++f) {
      const float a = first_[f][now], b = second_[f][before];
      k.*kSteps[f] = lanes::Float4{a, a, b, b};
    }
    return k;
  }

 private:
  static constexpr int kFields = 8;
  template <class V>
  static constexpr V LatticeSectionTaps<V>::*kTaps[kFields] = {
      &LatticeSectionTaps<V>::s1,       &LatticeSectionTaps<V>::c1,       &LatticeSectionTaps<V>::s2,
      &LatticeSectionTaps<V>::c2,       &LatticeSectionTaps<V>::inputTap, &LatticeSectionTaps<V>::stateTap,
      &LatticeSectionTaps<V>::secondTap, &LatticeSectionTaps<V>::firstTap};
  static constexpr lanes::Float4 LatticeStepCoefficients::*kSteps[kFields] = {
      &LatticeStepCoefficients::s1,       &LatticeStepCoefficients::c1,       &LatticeStepCoefficients::s2,
      &LatticeStepCoefficients::c2,       &LatticeStepCoefficients::inputTap, &LatticeStepCoefficients::stateTap,
      &LatticeStepCoefficients::secondTap, &LatticeStepCoefficients::firstTap};

  float first_[kFields][Capacity];
  float second_[kFields][Capacity];
};

// The normal filter of both channels. The second section takes the first's output, so
// in one sample they must run one after the other; instead the second runs one sample
// behind, and both sections of both channels step together in the four lanes of one
// vector: {first left, first right, second left, second right}. A run of samples starts
// with the first section alone and ends with the second alone, so nothing is left
// pending between runs.
class LatticeLowpass {
 public:
  void clear() {
    q1_ = lanes::Float4{};
    q2_ = lanes::Float4{};
    pending_ = lanes::Float4{};
  }

  // The first sample of a run: the first section alone.
  void begin(lanes::Float4 x, const LatticeStepCoefficients& k) {
    step(x, k, kFirstOnly);
  }

  // The next sample's input (x lanes 0 and 1); returns the previous sample's output in
  // lanes 2 and 3. k: the first section's coefficients for this sample, the second's
  // for the previous one.
  lanes::Float4 next(lanes::Float4 x, const LatticeStepCoefficients& k) {
    return step(x, k, kBoth);
  }

  // The end of a run: the second section alone on the last sample; returns its output in
  // lanes 2 and 3.
  lanes::Float4 finish(const LatticeStepCoefficients& k) {
    return step(lanes::Float4{}, k, kSecondOnly);
  }

 private:
  static constexpr lanes::Int4 kFirstOnly{-1, -1, 0, 0};
  static constexpr lanes::Int4 kSecondOnly{0, 0, -1, -1};
  static constexpr lanes::Int4 kBoth{-1, -1, -1, -1};

  lanes::Float4 step(lanes::Float4 x, const LatticeStepCoefficients& k, lanes::Int4 moving) {
    using lanes::Float4;
    const Float4 in = __builtin_shufflevector(x, pending_, 0, 1, 4, 5);
    const Float4 u = k.c2 * in - k.s2 * q2_;
    const Float4 t1 = k.c1 * u - k.s1 * q1_;
    const Float4 t2 = k.c1 * q1_ + k.s1 * u;
    const Float4 y = k.inputTap * in + k.stateTap * q2_ + k.secondTap * t2 + k.firstTap * t1;
    q1_ = lanes::select(moving, lanes::flushDenormal(t1), q1_);
    q2_ = lanes::select(moving, lanes::flushDenormal(t2), q2_);
    pending_ = y;
    return y;
  }

  lanes::Float4 q1_{};      // each section's first state, lanes as above
  lanes::Float4 q2_{};      // and its second
  lanes::Float4 pending_{}; // lanes 0 and 1: the first section's last output
};

}  // namespace strobe95::voice
