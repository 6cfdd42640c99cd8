// The two filters seen through the voice: the sample input carries a test signal, every
// oscillator is off, and the amplitude envelope is a plain gate at full velocity.
#include "VoiceRig.h"

namespace strobe95::test {
namespace {

float settledDcGain(VoiceRig& rig) {
  rig.set("sample_level", 1.0f);
  rig.set("gate", 1.0f);
  const Stereo out = rig.renderConstant(24000, 1.0f);
  return out.left.back() / kVoiceOutputLevel;
}

TEST(VoiceNormalFilter, DcGainFallsAsTheResonancePeakGrows) {
  // Poles at −1 ± 0.99999·r ± j·0.99999·r (relative to the cutoff): the product of the
  // two sections' squared pole radii is (1 + 2a + 2a²)(1 − 2a + 2a²) = 1 + 4a⁴, a = 0.99999·r,
  // and a lowpass with unit numerator has the reciprocal as its DC gain.
  for (float r : {0.0f, 0.2f, 0.5f, 0.98f}) {
    const double a = 0.99999 * r;
    const double expected = 1.0 / (1.0 + 4.0 * a * a * a * a);
    for (float cutoff : {200.0f, 5000.0f}) {
      VoiceRig rig;
      rig.quiet();
      rig.set("resonance", r);
      rig.set("cutoff", cutoff);
      EXPECT_NEAR(settledDcGain(rig), expected, 2e-4) << "resonance " << r << " cutoff " << cutoff;
    }
  }
  // The figures quoted for the control: 0.9936 at 0.2, 0.2133 at 0.98.
  VoiceRig rig;
  rig.quiet();
  rig.set("resonance", 0.98f);
  EXPECT_NEAR(settledDcGain(rig), 0.2133, 1e-4);
}

TEST(VoiceNormalFilter, PassesAQuarterAtTheCutoffWithoutResonance) {
  // Four poles at −1: |1/(j + 1)|⁴ = 1/4 at the cutoff, where the bilinear warp maps it.
  for (int rate : {44100, 96000}) {
    for (float cutoff : {500.0f, 3000.0f}) {
      VoiceRig rig(rate);
      rig.quiet();
      rig.set("cutoff", cutoff);
      rig.set("sample_level", 1.0f);
      rig.set("gate", 1.0f);
      const float w = 2.0f * std::numbers::pi_v<float> * cutoff / float(rate);
      const Stereo out = rig.render(rate, [w](int i) { return std::sin(w * float(i)); });
      const double amplitude = toneAmplitude(out.left, rate / 2, rate / 2, cutoff, rate);
      EXPECT_NEAR(amplitude / kVoiceOutputLevel, 0.25, 0.0025) << rate << " Hz, cutoff " << cutoff;
    }
  }
}

TEST(VoiceAcidFilter, ClipsItsInputAtHalfScale) {
  // The ladder's input is limited to ±1 after doubling, so any input beyond ±0.5 gives
  // the same output as ±0.5, while a smaller input gives less.
  auto settled = [](float input) {
    VoiceRig rig;
    rig.quiet();
    rig.set("acid_filter", 1.0f);
    rig.set("cutoff", 2000.0f);
    rig.set("sample_level", 1.0f);
    rig.set("gate", 1.0f);
    return rig.renderConstant(24000, input).left.back();
  };
  const float atHalf = settled(0.5f);
  EXPECT_GT(atHalf, 0.05f);
  EXPECT_FLOAT_EQ(settled(0.8f), atHalf);
  EXPECT_FLOAT_EQ(settled(5.0f), atHalf);
  EXPECT_FLOAT_EQ(settled(-5.0f), -atHalf);
  EXPECT_LT(settled(0.25f), 0.9f * atHalf);
}

// Loud input for a while, then silence with the gate held: a stable filter's ringing dies
// away, an unstable one grows however slowly it started.
TEST(VoiceAcidFilter, RingsOutAtEveryRateWithTheCutoffAtTheTop) {
  struct Case {
    int rate;
    float cutoff;
    float resonance;
  };
  const Case cases[] = {{22050, 16000, 0.98f}, {22050, 16000, 0.9f}, {22050, 8500, 0.9f},
                        {22050, 8000, 0.98f},  {32000, 16000, 0.98f}, {32000, 13000, 0.98f},
                        {44100, 16000, 0.98f}, {48000, 16000, 0.98f}, {96000, 16000, 0.98f}};
  for (const Case& c : cases) {
    VoiceRig rig(c.rate);
    rig.quiet();
    rig.set("acid_filter", 1.0f);
    rig.set("cutoff", c.cutoff);
    rig.set("resonance", c.resonance);
    rig.set("sample_level", 1.0f);
    rig.set("gate", 1.0f);
    const int driven = c.rate / 2;
    const Stereo out = rig.render(3 * c.rate, [driven](int i) {
      return i < driven ? ((i / 7) % 2 ? 1.0f : -1.0f) : 0.0f;
    });
    float drivenPeak = 0.0f, tailPeak = 0.0f;
    for (int i = 0; i < driven; ++i) drivenPeak = std::max(drivenPeak, std::fabs(out.left[i]));
    for (int i = 5 * c.rate / 2; i < 3 * c.rate; ++i) tailPeak = std::max(tailPeak, std::fabs(out.left[i]));
    EXPECT_TRUE(std::isfinite(drivenPeak) && drivenPeak < 2.0f) << c.rate << " " << c.cutoff << " " << c.resonance;
    EXPECT_LT(tailPeak, 1e-6f) << c.rate << " Hz, cutoff " << c.cutoff << ", resonance " << c.resonance;
  }
}

}  // namespace
}  // namespace strobe95::test
