#pragma once
// The voice written the straightforward way: one loop, every quantity computed per sample
// from the controls, in the order of the signal flow. It is what the fast voice must
// reproduce; tests and the reference plugin build it, the product never does.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "DspInterface.h"

namespace strobe95::reference {

inline float flush(float x) { return std::fabs(x) > 1.1754944e-38f ? x : 0.0f; }

// A 30-bit phase with a 24-bit remainder; `cycles` already in [-1, 1).
struct Phase {
  uint32_t phase = 0;
  uint32_t sub = 0;
  bool advance(float cycles) {
    const float units = cycles * 0x1p30f;
    const float whole = std::floor(units);
    sub += static_cast<uint32_t>((units - whole) * 0x1p24f);
    const uint32_t carry = sub >> 24;
    sub &= (1u << 24) - 1u;
    const uint32_t sum = phase + carry + static_cast<uint32_t>(static_cast<int32_t>(whole));
    phase = sum & ((1u << 30) - 1u);
    return sum > (1u << 30) - 1u;
  }
};

class Voice final : public faust::dsp {
 public:
  int getNumInputs() override { return 1; }
  int getNumOutputs() override { return 2; }
  void init(int sampleRate) override { instanceInit(sampleRate); }
  void instanceInit(int sampleRate) override {
    instanceConstants(sampleRate);
    instanceResetUserInterface();
    instanceClear();
  }
  faust::dsp* clone() override { return new Voice(*this); }
  int getSampleRate() override { return sampleRate_; }

  void instanceConstants(int sampleRate) override {
    sampleRate_ = sampleRate;
    fs_ = std::clamp(static_cast<float>(sampleRate), 50.0f, 192000.0f);
  }

  void instanceResetUserInterface() override {
    acid_ = 0.0f, attack_ = 0.005f, cutoff_ = 1800.0f, decay_ = 0.3f, detune_ = 0.3f;
    envAmount_ = 0.5f, filterDecay_ = 0.25f, freq_ = 220.0f, gain_ = 0.5f, gate_ = 0.0f;
    glide_ = 0.0f, hoover_ = 0.0f, keyTrack_ = 0.0f, noise_ = 0.0f, pwm_ = 0.0f;
    release_ = 0.3f, resonance_ = 0.2f, sampleLevel_ = 0.0f, sub_ = 0.3f, supersaw_ = 0.8f;
    sustain_ = 0.7f, width_ = 0.5f;
  }

  void instanceClear() override {
    running_ = false;
    fG_ = 0.0f;
    gPrev_ = 0.0f, n_ = 0.0f, m_ = 0;
    fS_ = 0.0f, fEnv_ = 0.0f;
    z_ = 0;
    k_ = 0;
    for (Phase& p : saw_) p = {};
    for (Phase& p : pulse_) p = {};
    square_[0] = square_[1] = 0.0f;
    line_[0].assign(16384, 0.0f);
    line_[1].assign(16384, 0.0f);
    index_ = 0;
    lfoX_ = lfoY_ = subX_ = subY_ = 0.0f;
    for (float& q : lattice_) q = 0.0f;
    for (float& z : ladder_) z = 0.0f;
    aS_ = aEnv_ = 0.0f;
    gS_ = 0.0f;
  }

  void buildUserInterface(faust::UI* ui) override {
    ui->openVerticalBox("STROBE-95");
    ui->addCheckButton("acid_filter", &acid_);
    ui->addHorizontalSlider("attack", &attack_, 0.005f, 0.001f, 4.0f, 0.001f);
    ui->addHorizontalSlider("cutoff", &cutoff_, 1800.0f, 40.0f, 16000.0f, 1.0f);
    ui->addHorizontalSlider("decay", &decay_, 0.3f, 0.001f, 4.0f, 0.001f);
    ui->addHorizontalSlider("detune", &detune_, 0.3f, 0.0f, 1.0f, 0.01f);
    ui->addHorizontalSlider("env_amount", &envAmount_, 0.5f, 0.0f, 1.0f, 0.01f);
    ui->addHorizontalSlider("filter_decay", &filterDecay_, 0.25f, 0.005f, 4.0f, 0.001f);
    ui->addHorizontalSlider("freq", &freq_, 220.0f, 20.0f, 8000.0f, 0.01f);
    ui->addHorizontalSlider("gain", &gain_, 0.5f, 0.0f, 1.0f, 0.01f);
    ui->addButton("gate", &gate_);
    ui->addHorizontalSlider("glide", &glide_, 0.0f, 0.0f, 1.0f, 0.001f);
    ui->addHorizontalSlider("hoover", &hoover_, 0.0f, 0.0f, 1.0f, 0.01f);
    ui->addHorizontalSlider("key_track", &keyTrack_, 0.0f, 0.0f, 1.0f, 0.01f);
    ui->addHorizontalSlider("noise", &noise_, 0.0f, 0.0f, 1.0f, 0.01f);
    ui->addHorizontalSlider("pwm", &pwm_, 0.0f, 0.0f, 1.0f, 0.01f);
    ui->addHorizontalSlider("release", &release_, 0.3f, 0.001f, 6.0f, 0.001f);
    ui->addHorizontalSlider("resonance", &resonance_, 0.2f, 0.0f, 0.98f, 0.01f);
    ui->addHorizontalSlider("sample_level", &sampleLevel_, 0.0f, 0.0f, 1.0f, 0.01f);
    ui->addHorizontalSlider("sub", &sub_, 0.3f, 0.0f, 1.0f, 0.01f);
    ui->addHorizontalSlider("supersaw", &supersaw_, 0.8f, 0.0f, 1.0f, 0.01f);
    ui->addHorizontalSlider("sustain", &sustain_, 0.7f, 0.0f, 1.0f, 0.01f);
    ui->addHorizontalSlider("width", &width_, 0.5f, 0.0f, 1.0f, 0.01f);
    ui->closeBox();
  }

  void compute(int count, float** inputs, float** outputs) override {
    constexpr float kDetune[7] = {-0.11002313f, -0.06288439f, -0.01952356f, 0.0f,
                                  0.01991221f,  0.06216538f,  0.10745242f};
    constexpr float kPan[7] = {1.0f, -0.66f, 0.33f, 0.0f, -0.33f, 0.66f, -1.0f};
    const float fs = fs_;
    const float invFs = 1.0f / fs;
    const float piOverFs = std::numbers::pi_v<float> / fs;
    const float nyquist = 0.5f * fs;
    const float gainPole = std::exp(-500.0f / fs);
    const float fenvLen = std::max(1.0f, 0.002f * fs);
    const float scoopLen = std::max(1.0f, 0.0005f * fs);
    const float scoopDecayInv = 1.0f / std::max(1.0f, 0.18f * fs);
    const float lfoCoef = 2.0f * std::sin(2.1991148f / fs);

    const float tau = 0.5f * glide_ * glide_ + 0.00001f;
    const float pG = std::fabs(tau) < 1.1920929e-7f ? 0.0f : std::exp(-invFs / tau);
    const bool gateOn = gate_ > 0.0f;
    const float fdRate = 1.0f / std::max(1.0f, fs * filterDecay_);
    const float aLen = std::max(1.0f, fs * attack_);
    const float dSlope = (1.0f - sustain_) / std::max(1.0f, fs * decay_);
    const float relRate = 1.0f / std::max(1.0f, fs * release_);
    const float r = resonance_;
    const float a0[2] = {1.0f + 1.99998f * r + (1.4141995f * r) * (1.4141995f * r),
                         1.0f - 1.99998f * r + (1.4141995f * r) * (1.4141995f * r)};
    const float a1[2] = {2.0f + 1.99998f * r, 2.0f - 1.99998f * r};
    const float q = 18.0f * r + 0.29289323f;
    const float qk = 0.0051455377f * q;
    const float acidGain = 1.4f * (1.0f + 2.0f * r);
    const bool acid = std::trunc(acid_) != 0.0f;
    float left[7], right[7], ratio[7];
    for (int j = 0; j < 7; ++j) {
      ratio[j] = 1.0f + kDetune[j] * detune_;
      left[j] = std::sqrt((1.0f + kPan[j] * width_) * 0.5f);
      right[j] = std::sqrt((1.0f - kPan[j] * width_) * 0.5f);
    }
    const float pulseNear = 0.25f * (1.0f - 0.5f * width_);
    const float pulseFar = 0.125f * width_;

    for (int i = 0; i < count; ++i) {
      const bool fresh = !running_;
      running_ = true;

      fG_ = std::fmin(flush(pG * fG_ + (1.0f - pG) * freq_), nyquist);

      const bool trigger = gPrev_ <= 0.0f && gateOn;
      const bool rose = !(gPrev_ >= gate_);
      gPrev_ = gate_;
      n_ = (rose ? 0.0f : n_) + (gateOn ? 1.0f : 0.0f);
      m_ = gate_ == 0.0f ? std::min(m_ + 1, 1 << 30) : 0;
      const float m = static_cast<float>(m_);

      if (trigger) fS_ = fEnv_;
      const float fRise = fS_ + n_ * (1.0f / fenvLen);
      const float fFall = 1.0f + ((1.0f - fS_) * fenvLen - n_) * fdRate;
      fEnv_ = flush(std::max(0.0f, std::min(fRise, std::max(0.0f, fFall)) * (1.0f - m * fdRate)));

      const float track = keyTrack_ == 0.0f ? 1.0f : std::pow(fG_ * 0.0038221916f, keyTrack_);
      const float fc = std::clamp(cutoff_ * track * (1.0f + 8.0f * envAmount_ * fEnv_), 30.0f, 16000.0f);

      // The normal filter's two sections.
      const float g = std::tan(std::clamp(std::max(20.0f, fc) * piOverFs, 0.0f, 1.5676547f));
      float x[2];
      const float smp = sampleLevel_ * inputs[0][i];
      z_ = z_ * 1103515245u + 12345u;
      const float nz = 0.5f * noise_ * (static_cast<float>(static_cast<int32_t>(z_)) * 0x1p-31f);

      if (rose) {
        k_ = 1;
      } else if (k_ > 0 && k_ < (1 << 30)) {
        ++k_;
      }
      const float kf = static_cast<float>(k_);
      const float e = std::max(0.0f, std::min(kf * (1.0f / scoopLen), 1.0f + (scoopLen - kf) * scoopDecayInv));
      const float f = std::fmin((1.0f - 0.25f * hoover_ * e) * fG_, nyquist);

      float sumL = 0.0f, sumR = 0.0f;
      for (int j = 0; j < 7; ++j) {
        const float fj = std::fabs(f * ratio[j]);
        const float inc = fj * invFs;
        const bool wrapped = saw_[j].advance(inc - std::floor(inc));
        float p = static_cast<float>(saw_[j].phase) * 0x1p-30f;
        if (wrapped) p = 1.0f + (1.0f - fs / std::max(fj, 1.1920929e-7f)) * p;
        const float saw = 2.0f * p - 1.0f - inc;
        sumL += saw * left[j];
        sumR += saw * right[j];
      }

      lfoX_ = flush(lfoX_ - lfoCoef * lfoY_);
      lfoY_ = flush(lfoY_ + lfoCoef * lfoX_ + (fresh ? 1.0f : 0.0f));
      float pulse[2];
      for (int p = 0; p < 2; ++p) {
        const float fp = std::max(23.44895f, (p == 0 ? 0.995f : 1.005f) * f);
        const float cycles = fp * invFs;
        pulse_[p].advance(fresh ? 0.0f : cycles - std::rint(cycles));
        const float ramp = static_cast<float>(pulse_[p].phase >> 6) * 0x1p-23f - 1.0f;
        const float square = ramp * ramp;
        const float saw = fresh ? 0.0f : (square - square_[p]) * (1.0f / fp);
        square_[p] = square;
        line_[p][index_ & 16383u] = saw;
        const float duty = p == 0 ? 0.5f - 0.4f * lfoY_ : 0.5f + 0.4f * lfoY_;
        const float dd = std::clamp(duty * (fs / fp), 0.0f, 8191.0f);
        const float whole = std::floor(dd);
        const float frac = dd - whole;
        const uint32_t tap = index_ - static_cast<uint32_t>(whole);
        pulse[p] = saw - ((1.0f - frac) * line_[p][tap & 16383u] + frac * line_[p][(tap - 1u) & 16383u]);
      }
      ++index_;

      const float c = 2.0f * std::sin(f * (0.5f * std::numbers::pi_v<float> / fs));
      subX_ = flush(subX_ - c * subY_);
      subY_ = flush(subY_ + c * subX_ + (fresh ? 1.0f : 0.0f));
      // The sub's peak is held at 1.5 through abrupt key changes.
      const float energy = subX_ * subX_ + subY_ * subY_ - c * subX_ * subY_;
      const float ceiling = 1.5f * 1.5f * (1.0f - 0.25f * c * c);
      if (energy > ceiling) {
        subX_ *= std::sqrt(ceiling / energy);
        subY_ *= std::sqrt(ceiling / energy);
      }
      const float mono = smp + sub_ * subY_ + nz;

      const float pulseGain = fs * pwm_;
      x[0] = 0.25f * supersaw_ * sumL + pulseGain * (pulseNear * pulse[0] + pulseFar * pulse[1]) + mono;
      x[1] = 0.25f * supersaw_ * sumR + pulseGain * (pulseNear * pulse[1] + pulseFar * pulse[0]) + mono;

      float yN[2], yA[2];
      for (int ch = 0; ch < 2; ++ch) {
        float in = x[ch];
        for (int s = 0; s < 2; ++s) {
          const float P = g * g * a0[s];
          const float ga1 = g * a1[s];
          const float D = P + ga1 + 1.0f;
          const float s1 = std::clamp((P - 1.0f) / (P + 1.0f), -0.9999999f, 0.9999999f);
          const float c1 = std::max(0.00048828122f, 2.0f * std::sqrt(P) / (P + 1.0f));
          const float s2 = std::clamp((P - ga1 + 1.0f) / D, -0.9999999f, 0.9999999f);
          const float c2 = std::max(0.00048828122f, 2.0f * std::sqrt(ga1 * (P + 1.0f)) / D);
          float& q1 = lattice_[ch * 4 + s * 2];
          float& q2 = lattice_[ch * 4 + s * 2 + 1];
          const float u = c2 * in - s2 * q2;
          const float t1 = c1 * u - s1 * q1;
          const float t2 = c1 * q1 + s1 * u;
          const float scale = g * g / D;
          in = scale * s2 * in + scale * c2 * q2 + scale * 2.0f * (ga1 + 2.0f) / (D * c2) * t2 +
               scale * 4.0f * (1.0f + ga1 - P) / (D * (P + 1.0f) * c2 * c1) * t1;
          q1 = flush(t1);
          q2 = flush(t2);
        }
        yN[ch] = in;
        yA[ch] = ladder(x[ch], fc, piOverFs, q, qk, &ladder_[ch * 4]) * acidGain;
      }

      if (trigger) aS_ = aEnv_;
      const float aRise = aS_ + n_ * (1.0f / aLen);
      const float aFall = 1.0f + ((1.0f - aS_) * aLen - n_) * dSlope;
      const bool wasSounding = aEnv_ > 0.0f;
      aEnv_ = flush(std::max(0.0f, std::min(std::max(sustain_, aFall), aRise) * (1.0f - m * relRate)));
      gS_ = wasSounding ? flush(gS_ * gainPole + gain_ * (1.0f - gainPole)) : gain_;

      const float level = 0.35f * aEnv_ * gS_;
      outputs[0][i] = (acid ? yA[0] : yN[0]) * level;
      outputs[1][i] = (acid ? yA[1] : yN[1]) * level;
    }
  }

 private:
  // One sample of one channel's diode ladder; z: its four states.
  static float ladder(float x, float fc, float piOverFs, float q, float qk, float* z) {
    const float nf = std::clamp(std::log10(fc * 0.05f) / 3.0f, 0.0f, 0.97f);
    const float nf2 = nf * nf;
    const float nf8 = nf2 * nf2 * nf2 * nf2;
    const float K = 17.0f - 9.7f * nf8 * nf2;
    const float stable = 0.93f + 0.0564f * (17.0f - K);
    const float G = std::tan(std::clamp(fc * piOverFs, 0.0f, std::min(stable, 1.5676547f)));
    const float G2 = G * G;
    const float onePlusG = 1.0f + G;
    const float d3 = onePlusG - G2 / (4.0f * onePlusG);
    const float d2 = onePlusG - G2 / (4.0f * d3);
    const float d1 = onePlusG - G2 / (2.0f * d2);
    const float d123 = d1 * d2 * d3;
    const float gamma = qk * K * G2 * G2 / (d123 * onePlusG);

    const float v = std::clamp(2.0f * x, -1.0f, 1.0f);
    const float in = 1.5f * v * (1.0f - v * v * (1.0f / 3.0f));
    const float e4 = G * z[3] * (1.0f / onePlusG);
    const float e3 = G * (z[2] + 0.5f * e4) * (1.0f / d3);
    const float e2 = G * (z[1] + 0.5f * e3) * (1.0f / d2);
    const float S = (z[0] + e2) * (G2 * G / d123);
    const float fb = K * q / onePlusG *
                     (0.0411643f * z[3] + 0.02058215f * e3 + 0.02058215f * e2 + 0.0051455377f * S);
    const float u = (in - fb) * ((1.0f + G2 / (2.0f * d1 * d2)) / (1.0f + gamma));
    const float est = ((z[0] + e2) * G * 0.5f * (1.0f / d1) + z[1] + 0.5f * e3) * (1.0f / d2);
    const float stage = G / onePlusG;
    const float h1 = (u + est - z[0]) * stage;
    const float h2 = (((z[0] + h1) * (1.0f + G2 / (4.0f * d2 * d3)) + (0.5f * e2 + 0.5f * e4 + z[2]) * (1.0f / d3)) * 0.5f -
                      z[1]) * stage;
    const float h3 = (((z[1] + h2) * (1.0f + G2 / (4.0f * d3 * onePlusG)) + (z[3] + 0.5f * e3) * (1.0f / onePlusG)) * 0.5f -
                      z[2]) * stage;
    const float h4 = ((z[2] + h3) * 0.5f - z[3]) * stage;
    const float y = z[3] + h4;
    z[0] = flush(z[0] + 2.0f * h1);
    z[1] = flush(z[1] + 2.0f * h2);
    z[2] = flush(z[2] + 2.0f * h3);
    z[3] = flush(z[3] + 2.0f * h4);
    return y;
  }

  int sampleRate_ = 0;
  float fs_ = 48000.0f;
  float acid_, attack_, cutoff_, decay_, detune_, envAmount_, filterDecay_, freq_, gain_, gate_;
  float glide_, hoover_, keyTrack_, noise_, pwm_, release_, resonance_, sampleLevel_, sub_, supersaw_;
  float sustain_, width_;

  bool running_ = false;
  float fG_ = 0.0f;
  float gPrev_ = 0.0f, n_ = 0.0f;
  int32_t m_ = 0;
  float fS_ = 0.0f, fEnv_ = 0.0f;
  uint32_t z_ = 0;
  int32_t k_ = 0;
  Phase saw_[7];
  Phase pulse_[2];
  float square_[2] = {};
  std::vector<float> line_[2];
  uint32_t index_ = 0;
  float lfoX_ = 0.0f, lfoY_ = 0.0f, subX_ = 0.0f, subY_ = 0.0f;
  float lattice_[8] = {};
  float ladder_[8] = {};
  float aS_ = 0.0f, aEnv_ = 0.0f;
  float gS_ = 0.0f;
};

}  // namespace strobe95::reference
