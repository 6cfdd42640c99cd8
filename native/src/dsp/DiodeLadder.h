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

  // piOverRate: π / sample rate. When the warp angle comes out as knownAngle, knownTan is
  // taken as its tangent: the normal filter has usually just computed the same one.
  static DiodeLadderCoefficients make(float cutoff, float piOverRate, const DiodeLadderResonance& r,
                                      float knownAngle = -1.0f, float knownTan = 0.0f) {
    const float nf = std::clamp(std::log10(cutoff * kLadderCutoffBase) / 3.0f, 0.0f,
                                kLadderMaxNormalisedCutoff);
    const float nf2 = nf * nf;
    const float nf8 = nf2 * nf2 * nf2 * nf2;
    const float k = kLadderFeedbackGainLow - kLadderFeedbackGainFall * nf8 * nf2;

    const float stableAngle =
        kLadderStableAngleAtFullGain + kLadderStableAnglePerGain * (kLadderFeedbackGainLow - k);
    const float angle = std::clamp(cutoff * piOverRate, 0.0f, std::min(stableAngle, kLadderMaxWarpAngle));
    const float g = angle == knownAngle ? knownTan : std::tan(angle);
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

// A cubic soft clip that reaches its ceiling of 1 where 2·x reaches 1.
inline lanes::Float4 shapeLadderInput(lanes::Float4 x) {
  const lanes::Float4 v = lanes::clamp(2.0f * x, lanes::splat(-1.0f), lanes::splat(1.0f));
  return 1.5f * v * (1.0f - v * v * (1.0f / 3.0f));
}

// The ladder's four integrator states, one ladder per lane.
struct DiodeLadderStates {
  lanes::Float4 z1{}, z2{}, z3{}, z4{};
};

// One step of the ladder's equations: how far each state moves from the states and the
// shaped input (the trapezoidal integrators' 2·h).
inline DiodeLadderStates diodeLadderMoves(const DiodeLadderStates& z, lanes::Float4 in,
                                          const DiodeLadderCoefficients& k) {
  using lanes::Float4;
  // What each stage would output with no new input, from the outside in (halves of
  // e4 and e3 are what the stages around them take).
  const Float4 halfE4 = k.g * z.z4 * k.halfInvOnePlusG;
  const Float4 e3Core = k.g * (z.z3 + halfE4);
  const Float4 e3 = e3Core * k.invD3;
  const Float4 halfE3 = e3Core * k.halfInvD3;
  const Float4 e2 = k.g * (z.z2 + halfE3) * k.invD2;
  const Float4 s = (z.z1 + e2) * k.cubeOverD;
  const Float4 fb = k.feedback * (kLadderTapLast * z.z4 + kLadderTapInner * e3 +
                                  kLadderTapInner * e2 + kLadderTapFirst * s);
  const Float4 u = (in - fb) * k.inputScale;

  const Float4 estimate = ((z.z1 + e2) * k.g * 0.5f * k.invD1 + z.z2 + halfE3) * k.invD2;
  const Float4 h1 = (u + estimate - z.z1) * k.stage;
  const Float4 h2 =
      (((z.z1 + h1) * k.secondMix + (0.5f * e2 + halfE4 + z.z3) * k.invD3) * 0.5f - z.z2) *
      k.stage;
  const Float4 h3 =
      (((z.z2 + h2) * k.thirdMix + (z.z4 + halfE3) * k.invOnePlusG) * 0.5f - z.z3) * k.stage;
  const Float4 toLast = (z.z3 + h3) * 0.5f - z.z4;
  return {2.0f * h1, 2.0f * h2, 2.0f * h3, toLast * k.twoStage};
}

// Between the soft clip and the output the ladder is linear: while its coefficients hold,
// the states' moves are M·states + b·input. Written that way a step's longest chain is
// one product and a sum of five, where the equations chain some thirty operations from
// each state to the next. The matrix gives the moves, not the new states, because at low
// cutoffs the states hardly move: a new-state matrix would hold 1 − ε, whose rounding
// would change the small ε that makes the filter's tone.
struct DiodeLadderMatrix {
  lanes::Float4 column[4]{};  // column j: what state j adds to each state's move
  lanes::Float4 input{};      // what the shaped input adds to each state's move

  // The columns are the equations' answers to each state alone and to the input alone,
  // all four states in one step: lane j starts with state j at 1.
  static DiodeLadderMatrix from(const DiodeLadderCoefficients& k) {
    using lanes::Float4;
    const DiodeLadderStates basis{{1.0f, 0.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f, 0.0f},
                                  {0.0f, 0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 0.0f, 1.0f}};
    const DiodeLadderStates rows = diodeLadderMoves(basis, Float4{}, k);
    const DiodeLadderStates fromInput = diodeLadderMoves(DiodeLadderStates{}, lanes::splat(1.0f), k);
    // rows.zk holds row k; the columns are its transpose.
    DiodeLadderMatrix m;
    for (int j = 0; j < 4; ++j) m.column[j] = Float4{rows.z1[j], rows.z2[j], rows.z3[j], rows.z4[j]};
    m.input = Float4{fromInput.z1[0], fromInput.z2[0], fromInput.z3[0], fromInput.z4[0]};
    return m;
  }
};

// The acid filter of both channels, each channel's four states in the lanes of one
// vector. The caller applies the resonance's output gain.
class DiodeLadder {
 public:
  void clear() { left_ = right_ = lanes::Float4{}; }

  // x: lane 0 the left input, lane 1 the right; returns the outputs in the same lanes.
  lanes::Float4 process(lanes::Float4 x, const DiodeLadderMatrix& m) {
    const lanes::Float4 in = shapeLadderInput(x);
    const float left = step(left_, in[0], m);
    const float right = step(right_, in[1], m);
    return lanes::Float4{left, right, 0.0f, 0.0f};
  }

 private:
  static float step(lanes::Float4& z, float in, const DiodeLadderMatrix& m) {
    const lanes::Float4 moves = (m.column[0] * z[0] + m.column[1] * z[1]) +
                                (m.column[2] * z[2] + m.column[3] * z[3]) + m.input * in;
    // Half the last state's move is its integrator's output for this sample.
    const float out = z[3] + 0.5f * moves[3];
    z = lanes::flushDenormal(z + moves);
    return out;
  }

  lanes::Float4 left_{}, right_{};  // {z1, z2, z3, z4} of each channel
};

}  // namespace strobe95::voice
