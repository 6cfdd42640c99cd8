#include "Effects.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "Denormal.h"

namespace strobe95::gen {
namespace {

// The working rate is kept where every time constant and line length stays meaningful.
constexpr int kMinSampleRate = 50;
constexpr int kMaxSampleRate = 192000;

// With the chorus fully up the dry signal keeps half its level and the two taps add 0.7.
constexpr float kChorusDryCut = 0.5f;
constexpr float kChorusWetGain = 0.7f;

// −120 dBFS: what is held below it may stop without a sound.
constexpr float kSleepLevel = 1e-6f;
// The plate's longest path once through: the diffusers and the longer tank half
// (909 + 10439 frames), rounded up.
constexpr int64_t kPlateTailFrames = 16384;

bool silent(const float* x, int count) {
  uint32_t bits = 0;
  for (int i = 0; i < count; ++i) bits |= std::bit_cast<uint32_t>(x[i]) << 1;  // either zero
  return bits == 0;
}

float peak(const float* x, int count) {
  float p = 0.0f;
  for (int i = 0; i < count; ++i) p = std::max(p, std::fabs(x[i]));
  return p;
}

}  // namespace

void Effects::instanceConstants(int sampleRate) {
  sampleRate_ = sampleRate;
  const auto fs = static_cast<float>(std::clamp(sampleRate, kMinSampleRate, kMaxSampleRate));
  fs_ = fs;
  chorus_.setSampleRate(fs);
  delay_.setSampleRate(fs);
}

void Effects::instanceResetUserInterface() {
  controls_.chorus = 0.0f;
  controls_.delayFeedback = 0.35f;
  controls_.delayMix = 0.0f;
  controls_.delaySeconds = 0.326f;
  controls_.delayTone = 3500.0f;
  controls_.drive = 0.0f;
  controls_.reverbDamp = 0.4f;
  controls_.reverbMix = 0.0f;
  controls_.reverbSize = 0.6f;
}

void Effects::instanceClear() {
  asleep_ = false;
  quietFrames_ = 0;
  writeIndex_ = 0;
  chorus_.clear();
  delay_.clear();
  reverb_.clear();
}

void Effects::instanceInit(int sampleRate) {
  instanceConstants(sampleRate);
  instanceResetUserInterface();
  instanceClear();
}

void Effects::buildUserInterface(faust::UI* ui) {
  ui->openVerticalBox("STROBE-95 FX");
  ui->addHorizontalSlider("chorus", &controls_.chorus, 0.0f, 0.0f, 1.0f, 0.01f);
  ui->addHorizontalSlider("delay_feedback", &controls_.delayFeedback, 0.35f, 0.0f, 0.9f, 0.01f);
  ui->addHorizontalSlider("delay_mix", &controls_.delayMix, 0.0f, 0.0f, 1.0f, 0.01f);
  ui->addHorizontalSlider("delay_seconds", &controls_.delaySeconds, 0.326f, 0.01f, 2.0f, 0.0001f);
  ui->addHorizontalSlider("delay_tone", &controls_.delayTone, 3500.0f, 500.0f, 12000.0f, 1.0f);
  ui->addHorizontalSlider("drive", &controls_.drive, 0.0f, 0.0f, 1.0f, 0.01f);
  ui->addHorizontalSlider("reverb_damp", &controls_.reverbDamp, 0.4f, 0.0f, 1.0f, 0.01f);
  ui->addHorizontalSlider("reverb_mix", &controls_.reverbMix, 0.0f, 0.0f, 1.0f, 0.01f);
  ui->addHorizontalSlider("reverb_size", &controls_.reverbSize, 0.6f, 0.0f, 0.95f, 0.01f);
  ui->closeBox();
}

Effects::BlockCoefficients Effects::blockCoefficients() const {
  return {fx::DriveGains::forAmount(controls_.drive),
          1.0f - kChorusDryCut * controls_.chorus,
          kChorusWetGain * controls_.chorus,
          delay_.settings(controls_.delayFeedback, controls_.delayTone),
          controls_.delayMix,
          {controls_.reverbSize, controls_.reverbDamp},
          controls_.reverbMix};
}

int64_t Effects::tailFrames() const {
  const float delay = std::min(fx::kMaxDelaySamples, std::max(0.0f, controls_.delaySeconds * fs_));
  return static_cast<int64_t>(delay) + 2 + kPlateTailFrames;
}

void Effects::compute(int count, float** inputs, float** outputs) {
  if (count < 1) return;
  const float* inLeft = inputs[0];
  const float* inRight = inputs[1];
  float* outLeft = outputs[0];
  float* outRight = outputs[1];
  const bool silentInput = silent(inLeft, count) && silent(inRight, count);

  if (asleep_) {
    if (silentInput && std::memcmp(&controls_, &sleptControls_, sizeof controls_) == 0) {
      std::fill_n(outLeft, count, 0.0f);
      std::fill_n(outRight, count, 0.0f);
      chorus_.skipFrames(static_cast<uint64_t>(count));
      // Time moves on in the echo's lines too, or a longer delay set at the wake would
      // reach back past the quiet window into the sound from before the sleep. The
      // chorus line and the plate, read at fixed distances, hold only their faded tail.
      delay_.passSilence(writeIndex_, static_cast<uint32_t>(count));
      writeIndex_ += static_cast<uint32_t>(count);
      return;
    }
    asleep_ = false;
    quietFrames_ = 0;
  }

  if (!silentInput) {
    run<false>(count, inLeft, inRight, outLeft, outRight);
    quietFrames_ = 0;
    return;
  }
  const float held = std::max({run<true>(count, inLeft, inRight, outLeft, outRight), peak(outLeft, count),
                               peak(outRight, count)});
  quietFrames_ = held > kSleepLevel ? 0 : quietFrames_ + count;
  if (quietFrames_ >= tailFrames() && delay_.timeSettled()) {
    asleep_ = true;
    sleptControls_ = controls_;
  }
}

template <bool kMeasure>
float Effects::run(int count, const float* inLeft, const float* inRight, float* outLeft, float* outRight) {
  const BlockCoefficients c = blockCoefficients();
  delay_.glideTo(controls_.delaySeconds);
  float held = 0.0f;
  for (int i = 0; i < count; ++i) {
    const fx::StereoSample driven = fx::drive({inLeft[i], inRight[i]}, c.drive);
    const fx::StereoSample chorus = chorus_.process(driven, writeIndex_);
    // Only the right side enters the delay: a left-only sound stays free of echoes.
    const fx::StereoSample echo =
        delay_.process(c.dryGain * driven.right + c.chorusGain * chorus.right, writeIndex_, c.delay);
    const fx::StereoSample plate =
        reverb_.process(c.chorusGain * (chorus.left + chorus.right) + c.dryGain * (driven.left + driven.right) +
                            c.delayMix * (echo.left + echo.right),
                        writeIndex_, c.reverb);

    // Flushed so that a decaying tail never hands the host a subnormal.
    outLeft[i] = flushDenormal(c.chorusGain * chorus.left + c.dryGain * driven.left +
                               c.delayMix * echo.left + c.reverbMix * plate.left);
    outRight[i] = flushDenormal(c.delayMix * echo.right + c.dryGain * driven.right +
                                c.chorusGain * chorus.right + c.reverbMix * plate.right);
    ++writeIndex_;
    if constexpr (kMeasure) {
      held = std::max({held, std::fabs(echo.left), std::fabs(echo.right), std::fabs(plate.left),
                       std::fabs(plate.right), reverb_.lowpassPeak()});
    }
  }
  return held;
}

}  // namespace strobe95::gen
