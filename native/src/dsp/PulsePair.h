#pragma once
// Two pulse oscillators a few cents apart whose widths one slow LFO (run by the voice)
// sweeps in opposite directions. Each pulse is the difference of a band-limited sawtooth
// and a delayed copy of it; the delay, a fraction of the period, is the pulse width.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "Lanes.h"
#include "PhaseAccumulator.h"

namespace strobe95::voice {

inline constexpr uint32_t kPulseLineLength = 16384;
inline constexpr uint32_t kPulseLineMask = kPulseLineLength - 1;
// Leaves room for the interpolating read's second tap.
inline constexpr float kMaxPulseDelay = 8191.0f;
// The lowest pulse frequency, 96000/4094 Hz: its period fits the delay line at 192 kHz.
inline constexpr float kMinPulseFrequency = 23.44895f;
// The two pulses sit half a percent below and above the note, a slowly beating pair.
inline constexpr float kLowPulseRatio = 0.995f;
inline constexpr float kHighPulseRatio = 1.005f;
// The LFO sweeps each pulse's duty between 10 % and 90 %.
inline constexpr float kPulseDutyCentre = 0.5f;
inline constexpr float kPulseDutyDepth = 0.4f;
// A 0.7 Hz sweep, 0.7·π rad/s for the oscillator's half-angle coefficient.
inline constexpr float kPwmLfoHalfAngleRate = 2.1991148f;

struct PulseTiming {
  float lfoCoefficient = 0.0f;

  static PulseTiming at(float sampleRate) {
    return {2.0f * std::sin(kPwmLfoHalfAngleRate / sampleRate)};
  }
};

// The two pulses' delay lines, kept apart from the oscillators' few values so that a
// voice can step a copy of those in registers while the lines stay where they are.
struct PulseLines {
  std::array<std::array<float, kPulseLineLength>, 2> line{};
  uint32_t writeIndex = 0;  // shared by both lines; wraps harmlessly, the lines are 2^k long

  void clear() {
    std::memset(line.data(), 0, sizeof line);  // as fast as clearing gets: 16 voices reset at once
    writeIndex = 0;
  }
};

// The pair side by side in lanes: lane 0 the lower pulse, lane 1 the higher (lanes 2 and
// 3 never move). Each pulse's output times sampleRate/4 alternates between 2·duty and
// 2·duty − 2.
class PulsePair {
 public:
  void clear() {
    phase_ = lanes::Uint4{};
    subPhase_ = lanes::Uint4{};
    previousSquare_ = lanes::Float4{};
  }

  void setPitch(float frequency, float invSampleRate, float sampleRate) {
    setFrequency(0, std::max(kMinPulseFrequency, kLowPulseRatio * frequency), invSampleRate, sampleRate);
    setFrequency(1, std::max(kMinPulseFrequency, kHighPulseRatio * frequency), invSampleRate, sampleRate);
  }

  // sweep: the PWM LFO's output, −1..1. fresh: the first sample after a clear, where the
  // phases stay at 0 and no step is taken, so the pulses do not start with a spike.
  // Returns the lower pulse in lane 0, the higher in lane 1.
  lanes::Float4 next(float sweep, bool fresh, PulseLines& lines) {
    using lanes::Float4;
    using lanes::Int4;
    using lanes::Uint4;
    const Uint4 remainder = fresh ? Uint4{} : remainder_;
    const Uint4 whole = fresh ? Uint4{} : whole_;
    subPhase_ += remainder;
    const Uint4 carry = subPhase_ >> 24;
    subPhase_ &= kSubPhaseMask;
    phase_ = (phase_ + carry + whole) & kPhaseMask;

    // The differentiated square of a bipolar ramp: a sawtooth whose transition is spread
    // over the sample in which it happens.
    const Float4 ramp =
        __builtin_convertvector(reinterpret_cast<Int4>(phase_ >> 6), Float4) * 0x1p-23f - 1.0f;
    const Float4 square = ramp * ramp;
    const Float4 saw = fresh ? Float4{} : (square - previousSquare_) * invFrequency_;
    previousSquare_ = square;
    const uint32_t writeIndex = lines.writeIndex;
    const uint32_t at = writeIndex & kPulseLineMask;
    lines.line[0][at] = saw[0];
    lines.line[1][at] = saw[1];

    // The LFO sweeps the two widths in opposite directions.
    const float depth = kPulseDutyDepth * sweep;
    const Float4 duty = kPulseDutyCentre + Float4{-depth, depth, 0.0f, 0.0f};
    const Float4 delay = lanes::clamp(duty * period_, lanes::splat(0.0f), lanes::splat(kMaxPulseDelay));
    // The delay is never negative, so truncation is its floor.
    const Int4 wholeDelay = __builtin_convertvector(delay, Int4);
    const Float4 fraction = delay - __builtin_convertvector(wholeDelay, Float4);
    const uint32_t tap0 = writeIndex - static_cast<uint32_t>(wholeDelay[0]);
    const uint32_t tap1 = writeIndex - static_cast<uint32_t>(wholeDelay[1]);
    const Float4 near{lines.line[0][tap0 & kPulseLineMask], lines.line[1][tap1 & kPulseLineMask], 0.0f, 0.0f};
    const Float4 far{lines.line[0][(tap0 - 1u) & kPulseLineMask], lines.line[1][(tap1 - 1u) & kPulseLineMask],
                     0.0f, 0.0f};
    const Float4 delayed = (1.0f - fraction) * near + fraction * far;
    lines.writeIndex = writeIndex + 1;
    return saw - delayed;
  }

 private:
  void setFrequency(int lane, float frequency, float invSampleRate, float sampleRate) {
    // The increment is taken as its distance to the nearest whole cycle, so a pulse above
    // half the rate folds back like any sampled tone instead of overflowing the phase.
    const float cycles = frequency * invSampleRate;
    const PhaseStep step = splitPhaseStep(cycles - std::rint(cycles));
    whole_[lane] = static_cast<uint32_t>(step.whole);
    remainder_[lane] = step.remainder;
    invFrequency_[lane] = 1.0f / frequency;
    period_[lane] = sampleRate / frequency;
  }

  lanes::Uint4 phase_{};
  lanes::Uint4 subPhase_{};
  lanes::Float4 previousSquare_{};
  // Derived from the pitch, not state: every compute call sets them before its first sample.
  lanes::Uint4 whole_{};
  lanes::Uint4 remainder_{};
  lanes::Float4 invFrequency_{};
  lanes::Float4 period_{};
};

}  // namespace strobe95::voice
