#pragma once
// The acid filter: a four-stage diode ladder solved with trapezoidal integrators. Unlike
// a transistor ladder its stages load one another (each stage sees the average of its
// neighbours), which gives its squelchy resonance. Its input is soft-clipped, so a hot
// mix drives it instead of only getting louder.
#include <algorithm>
#include <cmath>

#include "Denormal.h"
#include "LaneMath.h"
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

// Per-sample coefficients shared by both channels; V holds one sample's in each lane.
template <class V>
struct DiodeLadderCoefficients {
  V g;                // tan(π·cutoff/sampleRate)
  V stage;            // g/(1 + g): one trapezoidal integrator's gain
  V invOnePlusG;
  V invD1, invD2, invD3;
  V cubeOverD;        // g³/(d1·d2·d3)
  V feedback;         // K·q/(1 + g)
  V inputScale;       // (1 + g²/(2·d1·d2))/(1 + Γ)
  V secondMix;        // 1 + g²/(4·d2·d3)
  V thirdMix;         // 1 + g²/(4·d3·(1 + g))
  // Halved and doubled copies: scaling by two is exact, so a product with these rounds
  // exactly as the plain product scaled afterwards, one step sooner on the recursion.
  V halfInvOnePlusG;
  V halfInvD3;
  V twoStage;

  // piOverRate: π / sample rate. Where the warp angle comes out as knownAngle, knownTan
  // is taken as its tangent: the normal filter has usually just computed the same one.
  static DiodeLadderCoefficients make(V cutoff, float piOverRate, const DiodeLadderResonance& r, V knownAngle,
                                      V knownTan) {
    const auto all = [](float x) { return lanes::splatTo<V>(x); };
    const V nf = lanes::clamp(lanes::log10(cutoff * kLadderCutoffBase) / 3.0f, all(0.0f),
                              all(kLadderMaxNormalisedCutoff));
    const V nf2 = nf * nf;
    const V nf8 = nf2 * nf2 * nf2 * nf2;
    const V k = kLadderFeedbackGainLow - kLadderFeedbackGainFall * nf8 * nf2;

    const V stableAngle = kLadderStableAngleAtFullGain + kLadderStableAnglePerGain * (kLadderFeedbackGainLow - k);
    const V angle =
        lanes::clamp(cutoff * piOverRate, all(0.0f), lanes::min(stableAngle, all(kLadderMaxWarpAngle)));
    const lanes::IntLanes<V> known = angle == knownAngle;
    const V g = lanes::any(~known) ? lanes::select(known, knownTan, lanes::tan(angle)) : knownTan;
    const V g2 = g * g;
    const V onePlusG = 1.0f + g;
    const V d3 = onePlusG - g2 / (4.0f * onePlusG);
    const V d2 = onePlusG - g2 / (4.0f * d3);
    const V d1 = onePlusG - g2 / (2.0f * d2);
    const V d123 = d1 * d2 * d3;

    DiodeLadderCoefficients c;
    c.g = g;
    c.stage = g / onePlusG;
    c.invOnePlusG = 1.0f / onePlusG;
    c.invD1 = 1.0f / d1;
    c.invD2 = 1.0f / d2;
    c.invD3 = 1.0f / d3;
    c.cubeOverD = g2 * g / d123;
    c.feedback = k * r.q / onePlusG;
    const V gamma = r.qk * k * g2 * g2 / (d123 * onePlusG);
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

// The ladder's four integrator states.
template <class V>
struct DiodeLadderStates {
  V z1{}, z2{}, z3{}, z4{};
};

// An exact zero known to the compiler. The matrix's columns are the equations' answers
// to one state alone, the others zero: written with this, the terms those zeros would
// only multiply or add away are left out, and what remains rounds as before.
struct KnownZero {
  template <class V>
  operator V() const {
    return V{};
  }
};
inline KnownZero operator*(KnownZero, KnownZero) { return {}; }
template <class T>
KnownZero operator*(KnownZero, const T&) {
  return {};
}
template <class T>
KnownZero operator*(const T&, KnownZero) {
  return {};
}
inline KnownZero operator+(KnownZero, KnownZero) { return {}; }
template <class T>
T operator+(KnownZero, const T& x) {
  return x;
}
template <class T>
T operator+(const T& x, KnownZero) {
  return x;
}
inline KnownZero operator-(KnownZero, KnownZero) { return {}; }
template <class T>
T operator-(KnownZero, const T& x) {
  return -x;
}
template <class T>
T operator-(const T& x, KnownZero) {
  return x;
}

// One step of the ladder's equations: how far each state moves from the states and the
// shaped input (the trapezoidal integrators' 2·h). Each state and the input may be a V
// or a KnownZero.
template <class V, class Z1, class Z2, class Z3, class Z4, class In>
inline DiodeLadderStates<V> diodeLadderMoves(Z1 z1, Z2 z2, Z3 z3, Z4 z4, In in, const DiodeLadderCoefficients<V>& k) {
  // What each stage would output with no new input, from the outside in (halves of
  // e4 and e3 are what the stages around them take).
  const auto halfE4 = k.g * z4 * k.halfInvOnePlusG;
  const auto e3Core = k.g * (z3 + halfE4);
  const auto e3 = e3Core * k.invD3;
  const auto halfE3 = e3Core * k.halfInvD3;
  const auto e2 = k.g * (z2 + halfE3) * k.invD2;
  const auto s = (z1 + e2) * k.cubeOverD;
  const auto fb = k.feedback * (kLadderTapLast * z4 + kLadderTapInner * e3 + kLadderTapInner * e2 + kLadderTapFirst * s);
  const auto u = (in - fb) * k.inputScale;

  const auto estimate = ((z1 + e2) * k.g * 0.5f * k.invD1 + z2 + halfE3) * k.invD2;
  const auto h1 = (u + estimate - z1) * k.stage;
  const auto h2 = (((z1 + h1) * k.secondMix + (0.5f * e2 + halfE4 + z3) * k.invD3) * 0.5f - z2) * k.stage;
  const auto h3 = (((z2 + h2) * k.thirdMix + (z4 + halfE3) * k.invOnePlusG) * 0.5f - z3) * k.stage;
  const auto toLast = (z3 + h3) * 0.5f - z4;
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

  // The matrices of as many samples as V has lanes, one sample's coefficients in each:
  // the equations' answers to each state alone and to the input alone. Writes whole
  // vectors' worth of matrices, the lanes past the last sample's too.
  template <class V>
  static void fill(const DiodeLadderCoefficients<V>& k, DiodeLadderMatrix* out) {
    const V one = lanes::splatTo<V>(1.0f);
    const KnownZero zero;
    const DiodeLadderStates<V> moves[5] = {
        diodeLadderMoves(one, zero, zero, zero, zero, k), diodeLadderMoves(zero, one, zero, zero, zero, k),
        diodeLadderMoves(zero, zero, one, zero, zero, k), diodeLadderMoves(zero, zero, zero, one, zero, k),
        diodeLadderMoves(zero, zero, zero, zero, one, k)};
    for (int q = 0; q < lanes::kWidth<V> / 4; ++q) {
      for (int j = 0; j < 5; ++j) {
        const DiodeLadderStates<V>& m = moves[j];
        lanes::Float4 perSample[4];
        lanes::transpose(lanes::quarter(m.z1, q), lanes::quarter(m.z2, q), lanes::quarter(m.z3, q),
                         lanes::quarter(m.z4, q), perSample);
        for (int i = 0; i < 4; ++i) (j < 4 ? out[4 * q + i].column[j] : out[4 * q + i].input) = perSample[i];
      }
    }
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
