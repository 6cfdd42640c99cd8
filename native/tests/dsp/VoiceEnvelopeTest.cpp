// The amplitude envelope seen through the voice: a DC input through the wide-open flat
// filter (DC gain 1) at full velocity, so the output over 0.35 is the envelope itself.
#include "VoiceRig.h"

namespace strobe95::test {
namespace {

class EnvelopeProbe {
 public:
  EnvelopeProbe() {
    rig.quiet();
    rig.set("sample_level", 1.0f);
    rig.renderConstant(4000, 1.0f);  // let the filter settle on DC while the gate is 0
  }
  // The envelope over the next `frames` frames with the gate at `gate`.
  std::vector<float> hold(float gate, int frames) {
    rig.set("gate", gate);
    std::vector<float> level = rig.renderConstant(frames, 1.0f).left;
    for (float& v : level) v /= kVoiceOutputLevel;
    return level;
  }
  VoiceRig rig;
};

TEST(VoiceAmpEnvelope, SegmentsLastTheirTimeInSamples) {
  EnvelopeProbe probe;
  probe.rig.set("attack", 0.01f);   // 480 samples at 48 kHz
  probe.rig.set("decay", 0.02f);    // 960 samples
  probe.rig.set("sustain", 0.5f);
  probe.rig.set("release", 0.03f);  // 1440 samples
  const std::vector<float> held = probe.hold(1.0f, 3000);
  // The gate's first sample already counts one step of the attack: frame j is (j+1)/480.
  EXPECT_NEAR(held[0], 1.0 / 480, 1e-4);
  EXPECT_NEAR(held[239], 0.5, 1e-4);
  EXPECT_NEAR(held[478], 479.0 / 480, 1e-4);
  EXPECT_NEAR(held[479], 1.0, 1e-4);
  // Then 960 samples down to the sustain: halfway down at frame 479 + 480.
  EXPECT_NEAR(held[959], 0.75, 1e-4);
  EXPECT_NEAR(held[1439], 0.5, 1e-4);
  EXPECT_NEAR(held[2999], 0.5, 1e-4);

  const std::vector<float> released = probe.hold(0.0f, 2000);
  // The release scales the held 0.5 by a ramp that reaches 0 on its 1440th sample.
  EXPECT_NEAR(released[0], 0.5 * (1.0 - 1.0 / 1440), 1e-4);
  EXPECT_NEAR(released[719], 0.25, 1e-4);
  EXPECT_NEAR(released[1438], 0.5 / 1440, 1e-4);
  EXPECT_EQ(released[1439], 0.0f);
  EXPECT_EQ(released[1999], 0.0f);
}

TEST(VoiceAmpEnvelope, ReleaseDuringTheAttackFadesFromWhereItStood) {
  EnvelopeProbe probe;
  probe.rig.set("attack", 0.1f);    // 4800 samples
  probe.rig.set("release", 0.01f);  // 480 samples
  const std::vector<float> held = probe.hold(1.0f, 1200);
  EXPECT_NEAR(held.back(), 0.25, 1e-4);  // 1200 of 4800 samples into the attack
  const std::vector<float> released = probe.hold(0.0f, 600);
  EXPECT_LE(*std::max_element(released.begin(), released.end()), held.back());
  EXPECT_NEAR(released[239], 0.125, 1e-4);
  EXPECT_EQ(released[479], 0.0f);
}

TEST(VoiceAmpEnvelope, AGateRiseWithoutZeroRestartsTheCountersButKeepsTheStartLevel) {
  EnvelopeProbe probe;
  probe.rig.set("attack", 0.01f);   // 480 samples
  probe.rig.set("decay", 0.01f);
  probe.rig.set("sustain", 0.5f);
  probe.rig.set("release", 0.01f);  // 480 samples
  probe.hold(1.0f, 200);                                      // up to 200/480
  const std::vector<float> fading = probe.hold(0.0f, 240);    // half of that left
  const double latched = 200.0 / 480 * 0.5;
  EXPECT_NEAR(fading.back(), latched, 1e-4);

  // A new note starts from the level it finds and climbs the rest of the way at the
  // attack's rate: 380 samples from 5/24 to 1.
  const std::vector<float> note = probe.hold(0.5f, 3000);
  EXPECT_NEAR(note[0], latched + 1.0 / 480, 1e-4);
  EXPECT_NEAR(note[379], 1.0, 1e-4);
  EXPECT_NEAR(note.back(), 0.5, 1e-4);

  // 0.5 to 1 is a rise but not a note start: the attack runs again from the same latched
  // level, not from the sustain it stood at.
  const std::vector<float> again = probe.hold(1.0f, 400);
  EXPECT_NEAR(again[0], latched + 1.0 / 480, 1e-4);
  EXPECT_NEAR(again[379], 1.0, 1e-4);

  // A fall that does not reach 0 is no release.
  const std::vector<float> lower = probe.hold(0.5f, 2000);
  EXPECT_NEAR(lower.back(), 0.5, 1e-4);
}

}  // namespace
}  // namespace strobe95::test
