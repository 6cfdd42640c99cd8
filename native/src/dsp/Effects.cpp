#include "Effects.h"

#include <algorithm>

#include "Denormal.h"

namespace strobe95::gen {
namespace {

// The working rate is kept where every time constant and line length stays meaningful.
constexpr int kMinSampleRate = 50;
constexpr int kMaxSampleRate = 192000;

// With the chorus fully up the dry signal keeps half its level and the two taps add 0.7.
constexpr float kChorusDryCut = 0.5f;
constexpr float kChorusWetGain = 0.7f;

}  // namespace

void Effects::instanceConstants(int sampleRate) {
  sampleRate_ = sampleRate;
  const auto fs = static_cast<float>(std::clamp(sampleRate, kMinSampleRate, kMaxSampleRate));
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

void Effects::compute(int count, float** inputs, float** outputs) {
  if (count < 1) return;
  const BlockCoefficients c = blockCoefficients();
  delay_.glideTo(controls_.delaySeconds);
  const float* inLeft = inputs[0];
  const float* inRight = inputs[1];
  float* outLeft = outputs[0];
  float* outRight = outputs[1];

  for (int i = 0; i < count; ++i) {
    const fx::StereoSample driven{fx::drive(inLeft[i], c.drive), fx::drive(inRight[i], c.drive)};
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
  }
}

}  // namespace strobe95::gen
