#pragma once
// The acid filter: a four-stage diode ladder solved with trapezoidal integrators. Unlike
// a transistor ladder its stages load one another (each stage sees the average of its
// neighbours), which gives its squelchy resonance. Its input is soft-clipped, so a hot
// mix drives it instead of only getting louder.
#include <algorithm>
#include <cmath>

#include "Denormal.h"
#include "Lanes.h"

namespace strobe95::voice {

// Feedback weights of the four stages for the loaded ladder: 1/(25 − 1/√2), its half and
// its eighth.
inline constexpr float kLadderTapLast = 0.0411643f;
inline constexpr float kLadderTapInner = 0.02058215f;
inline constexpr float kLadderTapFirst = 0.0051455377f;
// Feedback at resonance 0 (1 − 1/√2) and the range the resonance control adds.
inline constexpr float kLadderBaseFeedback = 0.29289323f;
inline constexpr float kLadderFeedbackRange = 18.0f;
// Output makeup: the ladder loses level as its resonance grows.
inline constexpr float kLadderBaseGain = 1.4f;
inline constexpr float kLadderGainPerResonance = 2.0f;
// The feedback gain falls toward high cutoffs (17 at the bottom, about 9.9 at the top), so the
// filter does not scream when opened wide.
inline constexpr float kLadderFeedbackGainLow = 17.0f;
inline constexpr float kLadderFeedbackGainFall = 9.7f;
// Normalised cutoff: 0 at 20 Hz, 1 three decades higher, held below 0.97.
inline constexpr float kLadderCutoffBase = 0.05f;
inline constexpr float kLadderMaxNormalisedCutoff = 0.97f;
// The ladder turns unstable at full resonance once its warp angle (π·cutoff/rate) passes
// about 1.0 rad with the feedback gain at 17 and about 1.43 rad with it at 10, which the
// top of the cutoff range reaches at rates below 44.1 kHz. The angle is held under a line
// through those limits with a 7 % margin: 0.93 rad at gain 17, rising 0.0564 rad per unit
// of gain below it. At 44.1 kHz and above the limit never binds.
inline constexpr float kLadderStableAngleAtFullGain = 0.93f;
inline constexpr float kLadderStableAnglePerGain = 0.0564f;
// Like the normal filter's warp: tan() stays finite (0.998·π/2).
inline constexpr float kLadderMaxWarpAngle = 1.5676547f;

struct DiodeLadderResonance {
  float q = kLadderBaseFeedback;
  float qk = kLadderTapFirst * kLadderBaseFeedback;
  float outputGain = kLadderBaseGain;

  static DiodeLadderResonance at(float resonance) {
    const float q = kLadderFeedbackRange * resonance + kLadderBaseFeedback;
    return {q, kLadderTapFirst * q,
            kLadderBaseGain * (1.0f + kLadderGainPerResonance * resonance)};
  }
};

// Per-sample coefficients shared by both channels.
struct DiodeLadderCoefficients {
  float g = 0.0f;            // tan(π·cutoff/sampleRate)
  float stage = 0.0f;        // g/(1 + g): one trapezoidal integrator's gain
  float invOnePlusG = 1.0f;
  float invD1 = 1.0f, invD2 = 1.0f, invD3 = 1.0f;
  float cubeOverD = 0.0f;    // g³/(d1·d2·d3)
  float feedback = 0.0f;     // K·q/(1 + g)
  float inputScale = 1.0f;   // (1 + g²/(2·d1·d2))/(1 + Γ)
  float secondMix = 1.0f;    // 1 + g²/(4·d2·d3)
  float thirdMix = 1.0f;     // 1 + g²/(4·d3·(1 + g))
  // Halved and doubled copies: scaling by two is exact, so a product with these rounds
  // exactly as the plain product scaled afterwards, one step sooner on the recursion.
  float halfInvOnePlusG = 0.5f;
  float halfInvD3 = 0.5f;
  float twoStage = 0.0f;

  // piOverRate: π / sample rate.
  static DiodeLadderCoefficients make(float cutoff, float piOverRate,
                                      const DiodeLadderResonance& r) {
    const float nf = std::clamp(std::log10(cutoff * kLadderCutoffBase) / 3.0f, 0.0f,
                                kLadderMaxNormalisedCutoff);
    const float nf2 = nf * nf;
    const float nf8 = nf2 * nf2 * nf2 * nf2;
    const float k = kLadderFeedbackGainLow - kLadderFeedbackGainFall * nf8 * nf2;

    const float stableAngle =
        kLadderStableAngleAtFullGain + kLadderStableAnglePerGain * (kLadderFeedbackGainLow - k);
    const float g = std::tan(std::clamp(cutoff * piOverRate, 0.0f,
                                        std::min(stableAngle, kLadderMaxWarpAngle)));
    const float g2 = g * g;
    const float onePlusG = 1.0f + g;
    const float d3 = onePlusG - g2 / (4.0f * onePlusG);
    const float d2 = onePlusG - g2 / (4.0f * d3);
    const float d1 = onePlusG - g2 / (2.0f * d2);
    const float d123 = d1 * d2 * d3;

    DiodeLadderCoefficients c;
    c.g = g;
    c.stage = g / onePlusG;
    c.invOnePlusG = 1.0f / onePlusG;
    c.invD1 = 1.0f / d1;
    c.invD2 = 1.0f / d2;
    c.invD3 = 1.0f / d3;
    c.cubeOverD = g2 * g / d123;
    c.feedback = k * r.q / onePlusG;
    const float gamma = r.qk * k * g2 * g2 / (d123 * onePlusG);
    c.inputScale = (1.0f + g2 / (2.0f * d1 * d2)) / (1.0f + gamma);
    c.secondMix = 1.0f + g2 / (4.0f * d2 * d3);
    c.thirdMix = 1.0f + g2 / (4.0f * d3 * onePlusG);
    c.halfInvOnePlusG = 0.5f * c.invOnePlusG;
    c.halfInvD3 = 0.5f * c.invD3;
    c.twoStage = 2.0f * c.stage;
    return c;
  }
};

// The acid filter of both channels: lane 0 the left, lane 1 the right. The caller applies
// the resonance's output gain.
class DiodeLadder {
 public:
  void clear() { z1_ = z2_ = z3_ = z4_ = lanes::Float4{}; }

  lanes::Float4 process(lanes::Float4 x, const DiodeLadderCoefficients& k) {
    using lanes::Float4;
    // A cubic soft clip that reaches its ceiling of 1 where 2·x reaches 1.
    const Float4 v = lanes::clamp(2.0f * x, lanes::splat(-1.0f), lanes::splat(1.0f));
    const Float4 in = 1.5f * v * (1.0f - v * v * (1.0f / 3.0f));

    // What each stage would output with no new input, from the outside in (halves of
    // e4 and e3 are what the stages around them take).
    const Float4 halfE4 = k.g * z4_ * k.halfInvOnePlusG;
    const Float4 e3Core = k.g * (z3_ + halfE4);
    const Float4 e3 = e3Core * k.invD3;
    const Float4 halfE3 = e3Core * k.halfInvD3;
    const Float4 e2 = k.g * (z2_ + halfE3) * k.invD2;
    const Float4 s = (z1_ + e2) * k.cubeOverD;
    const Float4 fb = k.feedback * (kLadderTapLast * z4_ + kLadderTapInner * e3 +
                                    kLadderTapInner * e2 + kLadderTapFirst * s);
    const Float4 u = (in - fb) * k.inputScale;

    const Float4 estimate = ((z1_ + e2) * k.g * 0.5f * k.invD1 + z2_ + halfE3) * k.invD2;
    const Float4 h1 = (u + estimate - z1_) * k.stage;
    const Float4 h2 =
        (((z1_ + h1) * k.secondMix + (0.5f * e2 + halfE4 + z3_) * k.invD3) * 0.5f - z2_) *
        k.stage;
    const Float4 h3 =
        (((z2_ + h2) * k.thirdMix + (z4_ + halfE3) * k.invOnePlusG) * 0.5f - z3_) * k.stage;
    const Float4 toLast = (z3_ + h3) * 0.5f - z4_;
    const Float4 y = z4_ + toLast * k.stage;

    z1_ = lanes::flushDenormal(z1_ + 2.0f * h1);
    z2_ = lanes::flushDenormal(z2_ + 2.0f * h2);
    z3_ = lanes::flushDenormal(z3_ + 2.0f * h3);
    z4_ = lanes::flushDenormal(z4_ + toLast * k.twoStage);
    return y;
  }

 private:
  lanes::Float4 z1_{}, z2_{}, z3_{}, z4_{};
};

}  // namespace strobe95::voice
