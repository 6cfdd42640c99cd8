#pragma once
// The stereo echo. Only the right channel feeds it, and each line is fed by the other
// side's echo, so repeats alternate right, left, right, … Each repeat passes the tone
// filter once more and the time glides instead of jumping, so a tempo change bends the
// pitch of the echoes in flight rather than clicking.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "DelayLine.h"
#include "DelayToneFilter.h"
#include "Denormal.h"
#include "StereoSample.h"

namespace strobe95::fx {

// The glide's time constant is 1/44.1 s, about 22.7 ms: fast enough to follow a tempo
// change within a beat, slow enough not to click.
inline constexpr float kDelayGlideRate = 44.1f;
// Two seconds at 96 kHz, one short so the interpolation's far slot is still within them.
inline constexpr float kMaxDelaySamples = 191999.0f;
// The next power of two above the longest delay.
inline constexpr std::size_t kDelayLineLength = 262144;

// Per-block values of the delay, derived from its controls.
struct PingPongSettings {
  float feedback = 0.0f;
  float toneCoefficient = 0.0f;
};

// The one-pole glide of the delay time, in seconds. It keeps the distance to the target
// rather than the time itself: a plain float one-pole this slow stalls wherever a step's
// change rounds away, up to a thousand rounding steps short of its target (at 96 kHz a
// 2 s delay would settle 12 samples short), while the distance shrinks to exactly zero.
class DelayTimeSmoother {
 public:
  void clear() {
    target_ = 0.0f;
    offset_ = 0.0f;
  }

  // Moves the target without moving the current time.
  void setTarget(float seconds) {
    offset_ += target_ - seconds;
    target_ = seconds;
  }

  // The time has arrived at its target exactly.
  bool settled() const { return offset_ == 0.0f; }

  float next(float keep) {
    offset_ = flushDenormal(offset_ * keep);
    return target_ + offset_;
  }

 private:
  float target_ = 0.0f;
  float offset_ = 0.0f;  // current time minus target
};

class PingPongDelay {
 public:
  void setSampleRate(float sampleRate) {
    sampleRate_ = sampleRate;
    piOverSampleRate_ = 3.1415927f / sampleRate;
    glideKeep_ = 1.0f - kDelayGlideRate / sampleRate;
  }

  PingPongSettings settings(float feedback, float toneHz) const {
    return {feedback, DelayToneFilter::coefficient(toneHz, piOverSampleRate_)};
  }

  // The delay time glides from wherever it is towards this one.
  void glideTo(float seconds) { time_.setTarget(seconds); }

  bool timeSettled() const { return time_.settled(); }

  void clear() {
    time_.clear();
    left_.clear();
    right_.clear();
    toneLeft_.clear();
    toneRight_.clear();
    lastLeft_ = 0.0f;
    lastRight_ = 0.0f;
  }

  // The frames from `index` on pass in silence: both lines hold zeros there, as a delay
  // that ran on through a quiet input and a faded tail would.
  void passSilence(uint32_t index, uint32_t count) {
    left_.silence(index, count);
    right_.silence(index, count);
    lastLeft_ = 0.0f;
    lastRight_ = 0.0f;
  }

  // input: what enters the right line this frame. Returns this frame's echoes.
  StereoSample process(float input, uint32_t index, const PingPongSettings& settings) {
    const float delay = std::min(kMaxDelaySamples, time_.next(glideKeep_) * sampleRate_);
    // Both lines take the other side's echo of the previous frame, so the two directions
    // of the ping-pong are symmetric.
    left_.write(index, flushDenormal(settings.feedback * lastRight_));
    right_.write(index, flushDenormal(settings.feedback * lastLeft_ + input));
    const float left = toneLeft_.process(left_.readFractional(index, delay), settings.toneCoefficient);
    const float right = toneRight_.process(right_.readFractional(index, delay), settings.toneCoefficient);
    lastLeft_ = left;
    lastRight_ = right;
    return {left, right};
  }

 private:
  float sampleRate_ = 48000.0f;
  float piOverSampleRate_ = 3.1415927f / 48000.0f;
  float glideKeep_ = 1.0f - kDelayGlideRate / 48000.0f;

  DelayTimeSmoother time_;
  DelayLine<kDelayLineLength> left_;
  DelayLine<kDelayLineLength> right_;
  DelayToneFilter toneLeft_;
  DelayToneFilter toneRight_;
  float lastLeft_ = 0.0f;   // the left echo of the previous frame
  float lastRight_ = 0.0f;  // the right echo of the previous frame
};

}  // namespace strobe95::fx
