#pragma once
// Two pulse oscillators a few cents apart whose widths one slow LFO (run by the voice)
// sweeps in opposite directions. Each pulse is the difference of a band-limited sawtooth and a delayed copy
// of it; the delay, a fraction of the period, is the pulse width.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

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

struct PulseOutput {
  float first = 0.0f;   // the lower pulse
  float second = 0.0f;  // the higher pulse
};

// One pulse. Its output times sampleRate/4 alternates between 2·duty and 2·duty − 2.
class PulseOscillator {
 public:
  void clear() {
    phase_.clear();
    previousSquare_ = 0.0f;
    line_.fill(0.0f);
  }

  void setFrequency(float frequency, float invSampleRate, float sampleRate) {
    // The increment is taken as its distance to the nearest whole cycle, so a pulse above
    // half the rate folds back like any sampled tone instead of overflowing the phase.
    const float cycles = frequency * invSampleRate;
    step_ = splitPhaseStep(cycles - std::rint(cycles));
    invFrequency_ = 1.0f / frequency;
    period_ = sampleRate / frequency;
  }

  // fresh: the first sample after a clear, where the phase stays at 0 and no step is
  // taken, so the oscillator does not start with a spike.
  float next(float duty, bool fresh, uint32_t writeIndex) {
    phase_.advance(fresh ? PhaseStep{} : step_);

    // The differentiated square of a bipolar ramp: a sawtooth whose transition is spread
    // over the sample in which it happens.
    const float ramp = static_cast<float>(phase_.phase() >> 6) * 0x1p-23f - 1.0f;
    const float square = ramp * ramp;
    const float saw = fresh ? 0.0f : (square - previousSquare_) * invFrequency_;
    previousSquare_ = square;
    line_[writeIndex & kPulseLineMask] = saw;

    const float delay = std::clamp(duty * period_, 0.0f, kMaxPulseDelay);
    const float whole = std::floor(delay);
    const float fraction = delay - whole;
    const uint32_t tap = writeIndex - static_cast<uint32_t>(whole);
    const float delayed = (1.0f - fraction) * line_[tap & kPulseLineMask] +
                          fraction * line_[(tap - 1u) & kPulseLineMask];
    return saw - delayed;
  }

 private:
  PhaseAccumulator phase_;
  float previousSquare_ = 0.0f;
  std::array<float, kPulseLineLength> line_{};
  // Derived from the pitch, not state: every compute call sets them before its first sample.
  PhaseStep step_;
  float invFrequency_ = 0.0f;
  float period_ = 0.0f;
};

struct PulseTiming {
  float lfoCoefficient = 0.0f;

  static PulseTiming at(float sampleRate) {
    return {2.0f * std::sin(kPwmLfoHalfAngleRate / sampleRate)};
  }
};

class PulsePair {
 public:
  void clear() {
    first_.clear();
    second_.clear();
    writeIndex_ = 0;
  }

  void setPitch(float frequency, float invSampleRate, float sampleRate) {
    first_.setFrequency(std::max(kMinPulseFrequency, kLowPulseRatio * frequency), invSampleRate,
                        sampleRate);
    second_.setFrequency(std::max(kMinPulseFrequency, kHighPulseRatio * frequency), invSampleRate,
                         sampleRate);
  }

  // sweep: the PWM LFO's output, −1..1.
  PulseOutput next(float sweep, bool fresh) {
    PulseOutput out;
    out.first = first_.next(kPulseDutyCentre - kPulseDutyDepth * sweep, fresh, writeIndex_);
    out.second = second_.next(kPulseDutyCentre + kPulseDutyDepth * sweep, fresh, writeIndex_);
    ++writeIndex_;
    return out;
  }

 private:
  PulseOscillator first_;
  PulseOscillator second_;
  uint32_t writeIndex_ = 0;  // shared by both lines; wraps harmlessly, the lines are 2^k long
};

}  // namespace strobe95::voice
