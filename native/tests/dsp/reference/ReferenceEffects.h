#pragma once
// The effects chain written the straightforward way: one loop, one frame at a time, every
// stage in the order of the signal flow. It is what the fast chain must reproduce, and it
// never stops running, so it also shows what the fast chain's idle sleep may change.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "DspInterface.h"
#include "ReferenceVoice.h"

namespace strobe95::reference {

class Effects final : public faust::dsp {
 public:
  int getNumInputs() override { return 2; }
  int getNumOutputs() override { return 2; }
  void init(int sampleRate) override { instanceInit(sampleRate); }
  void instanceInit(int sampleRate) override {
    instanceConstants(sampleRate);
    instanceResetUserInterface();
    instanceClear();
  }
  faust::dsp* clone() override { return new Effects(*this); }
  int getSampleRate() override { return sampleRate_; }

  void instanceConstants(int sampleRate) override {
    sampleRate_ = sampleRate;
    fs_ = static_cast<float>(std::clamp(sampleRate, 50, 192000));
    const float cycles = 0.55f / fs_;
    const float units = (cycles - std::round(cycles)) * 0x1p30f;
    const float whole = std::floor(units);
    lfoWhole_ = static_cast<uint32_t>(static_cast<int32_t>(whole));
    lfoRemainder_ = static_cast<uint32_t>((units - whole) * 0x1p24f);
  }

  void instanceResetUserInterface() override {
    chorus_ = 0.0f, feedback_ = 0.35f, delayMix_ = 0.0f, delaySeconds_ = 0.326f, tone_ = 3500.0f;
    drive_ = 0.0f, damp_ = 0.4f, reverbMix_ = 0.0f, size_ = 0.6f;
  }

  void instanceClear() override {
    index_ = 0;
    started_ = false;
    lfoPhase_ = lfoSub_ = 0;
    chorusLine_[0].assign(2048, 0.0f);
    chorusLine_[1].assign(2048, 0.0f);
    delayLine_[0].assign(262144, 0.0f);
    delayLine_[1].assign(262144, 0.0f);
    target_ = offset_ = 0.0f;
    tone_s_[0] = tone_s_[1] = 0.0f;
    last_[0] = last_[1] = 0.0f;
    b1_ = b2_ = 0.0f;
    for (int k = 0; k < 12; ++k) {
      lines_[k].assign(kLength[k], 0.0f);
      lastRead_[k] = 0.0f;
    }
    lp_[0] = lp_[1] = 0.0f;
    tankIn_[0] = tankIn_[1] = 0.0f;
  }

  void buildUserInterface(faust::UI* ui) override {
    ui->openVerticalBox("STROBE-95 FX");
    ui->addHorizontalSlider("chorus", &chorus_, 0.0f, 0.0f, 1.0f, 0.01f);
    ui->addHorizontalSlider("delay_feedback", &feedback_, 0.35f, 0.0f, 0.9f, 0.01f);
    ui->addHorizontalSlider("delay_mix", &delayMix_, 0.0f, 0.0f, 1.0f, 0.01f);
    ui->addHorizontalSlider("delay_seconds", &delaySeconds_, 0.326f, 0.01f, 2.0f, 0.0001f);
    ui->addHorizontalSlider("delay_tone", &tone_, 3500.0f, 500.0f, 12000.0f, 1.0f);
    ui->addHorizontalSlider("drive", &drive_, 0.0f, 0.0f, 1.0f, 0.01f);
    ui->addHorizontalSlider("reverb_damp", &damp_, 0.4f, 0.0f, 1.0f, 0.01f);
    ui->addHorizontalSlider("reverb_mix", &reverbMix_, 0.0f, 0.0f, 1.0f, 0.01f);
    ui->addHorizontalSlider("reverb_size", &size_, 0.6f, 0.0f, 0.95f, 0.01f);
    ui->closeBox();
  }

  void compute(int count, float** inputs, float** outputs) override {
    if (count < 1) return;
    const float fs = fs_;
    const float k = 1.0f + 6.0f * drive_;
    const float wet = drive_ > 0.0f ? 1.0f / std::sqrt(k) : 0.0f;
    const float dry = drive_ > 0.0f ? 0.0f : 1.0f;
    const float c = chorus_;
    const float dryGain = 1.0f - 0.5f * c;
    const float wetGain = 0.7f * c;
    const float G = std::tan(std::max(0.0f, std::min(1.5676547f, tone_ * (3.1415927f / fs))));
    const float a = G / (1.0f + G);
    const float keep = 1.0f - 44.1f / fs;
    offset_ += target_ - delaySeconds_;
    target_ = delaySeconds_;
    const float s = size_, p = damp_, m = delayMix_;

    for (int i = 0; i < count; ++i) {
      const uint32_t idx = index_;
      const float xL = inputs[0][i], xR = inputs[1][i];
      const float dL = wet == 0.0f ? xL * dry : std::tanh(xL * k) * wet + xL * dry;
      const float dR = wet == 0.0f ? xR * dry : std::tanh(xR * k) * wet + xR * dry;

      if (started_) {
        lfoSub_ += lfoRemainder_;
        const uint32_t carry = lfoSub_ >> 24;
        lfoSub_ &= (1u << 24) - 1u;
        lfoPhase_ = (lfoPhase_ + carry + lfoWhole_) & ((1u << 30) - 1u);
      }
      started_ = true;
      const float tri = 1.0f - std::fabs(static_cast<float>(lfoPhase_ >> 6) * 0x1p-23f - 1.0f);
      chorusLine_[0][idx & 2047u] = dL;
      chorusLine_[1][idx & 2047u] = dR;
      const float chorusL = fractional(chorusLine_[0], idx, (0.0035f + 0.003f * tri) * fs);
      const float chorusR = fractional(chorusLine_[1], idx, (0.0035f + 0.003f * (1.0f - tri)) * fs);

      offset_ = flush(offset_ * keep);
      const float D = std::min(191999.0f, (target_ + offset_) * fs);
      delayLine_[0][idx & 262143u] = flush(feedback_ * last_[1]);
      delayLine_[1][idx & 262143u] = flush(feedback_ * last_[0] + (dryGain * dR + wetGain * chorusR));
      float echo[2];
      for (int ch = 0; ch < 2; ++ch) {
        const float read = fractional(delayLine_[ch], idx, D);
        const float step = a * (read - tone_s_[ch]);
        echo[ch] = flush(tone_s_[ch] + step);
        tone_s_[ch] = flush(tone_s_[ch] + 2.0f * step);
        last_[ch] = echo[ch];
      }

      const float in = wetGain * (chorusL + chorusR) + dryGain * (dL + dR) + m * (echo[0] + echo[1]);
      const float scaled = flush(0.49975f * in + 0.0005f * b2_);
      b2_ = b1_;
      b1_ = scaled;
      float y = allpass(0, scaled, idx, 0.75f);
      y = allpass(1, y, idx, 0.75f);
      y = allpass(2, y, idx, 0.625f);
      y = allpass(3, y, idx, 0.625f);
      float end[2];
      for (int h = 0; h < 2; ++h) {
        const int base = 4 + 4 * h;
        write(base + 1, idx, allpass(base, tankIn_[h], idx, -0.7f));
        lp_[h] = flush((1.0f - p) * read(base + 1, idx) + p * lp_[h]);
        write(base + 3, idx, allpass(base + 2, s * lp_[h], idx, 0.5f));
        end[h] = read(base + 3, idx);
      }
      tankIn_[0] = flush(y + s * end[1]);
      tankIn_[1] = flush(y + s * end[0]);

      outputs[0][i] = flush(wetGain * chorusL + dryGain * dL + m * echo[0] + reverbMix_ * tankIn_[0]);
      outputs[1][i] = flush(m * echo[1] + dryGain * dR + wetGain * chorusR + reverbMix_ * tankIn_[1]);
      ++index_;
    }
  }

 private:
  // Line lengths and read offsets: four diffusers, then per tank half an allpass, a
  // delay, an allpass and a delay.
  static constexpr uint32_t kLength[12] = {256, 128, 512, 512, 1024, 8192, 2048, 2048, 1024, 8192, 4096, 4096};
  static constexpr uint32_t kOffset[12] = {142, 107, 379, 277, 672, 4453, 1800, 1800, 908, 4217, 2656, 2656};

  static float fractional(const std::vector<float>& line, uint32_t idx, float delay) {
    const auto last = static_cast<int>(line.size() - 1);
    const uint32_t mask = static_cast<uint32_t>(line.size() - 1);
    const int whole = static_cast<int>(std::min(static_cast<float>(last), std::max(-1.0f, delay)));
    const auto i0 = static_cast<uint32_t>(std::clamp(whole, 0, last));
    const auto i1 = static_cast<uint32_t>(std::clamp(whole + 1, 0, last));
    const float fr = delay - std::floor(delay);
    return (1.0f - fr) * line[(idx - i0) & mask] + fr * line[(idx - i1) & mask];
  }

  void write(int k, uint32_t idx, float x) { lines_[k][idx & (kLength[k] - 1)] = x; }
  float read(int k, uint32_t idx) const { return lines_[k][(idx - kOffset[k]) & (kLength[k] - 1)]; }

  float allpass(int k, float x, uint32_t idx, float gain) {
    const float w = flush(x - gain * lastRead_[k]);
    write(k, idx, w);
    const float y = flush(lastRead_[k] + gain * w);
    lastRead_[k] = read(k, idx);
    return y;
  }

  int sampleRate_ = 0;
  float fs_ = 48000.0f;
  uint32_t lfoWhole_ = 0, lfoRemainder_ = 0;
  float chorus_, feedback_, delayMix_, delaySeconds_, tone_, drive_, damp_, reverbMix_, size_;

  uint32_t index_ = 0;
  bool started_ = false;
  uint32_t lfoPhase_ = 0, lfoSub_ = 0;
  std::vector<float> chorusLine_[2], delayLine_[2];
  float target_ = 0.0f, offset_ = 0.0f;
  float tone_s_[2] = {}, last_[2] = {};
  float b1_ = 0.0f, b2_ = 0.0f;
  std::vector<float> lines_[12];
  float lastRead_[12] = {};
  float lp_[2] = {}, tankIn_[2] = {};
};

}  // namespace strobe95::reference
