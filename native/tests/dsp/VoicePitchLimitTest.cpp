// Pitches no MIDI key reaches: CLAP keys up to 32767, glides and scoops toward them. The
// oscillators work at no more than half the rate, so every such note stays bounded and a
// voice comes back from one to an ordinary pitch.
#include <limits>

#include "VoiceRig.h"

namespace strobe95::test {
namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();

// Every source up, flat filter open, full envelope and velocity. The filter input is at
// most 2.72 (seven saws of at most 1 + 0.554 under 0.25) + 2 (pulses) + 1.5 (sub) +
// 0.5 (noise) = 6.72; times the output scale 0.35 that is 2.35, and the filter at
// resonance 0 adds no gain. Before the limit one high note reached 100, a glide 1e20.
constexpr float kLoudestVoice = 2.5f;

float peakOf(const Stereo& s) {
  float p = 0.0f;
  for (size_t i = 0; i < s.left.size(); ++i) {
    if (!std::isfinite(s.left[i]) || !std::isfinite(s.right[i])) return kInf;
    p = std::max({p, std::fabs(s.left[i]), std::fabs(s.right[i])});
  }
  return p;
}

void everythingUp(VoiceRig& rig) {
  rig.quiet();
  for (auto label : {"supersaw", "sub", "pwm", "noise", "detune", "width"}) rig.set(label, 1.0f);
}

TEST(VoicePitchLimit, NotesAboveHalfTheRateStayBounded) {
  struct Case {
    const char* name;
    float freq;
    float glide;
    float hoover;
  } cases[] = {
      {"just above half of 44.1 kHz", 23000.0f, 0.0f, 0.0f},
      {"key 200", 440.0f * std::exp2((200 - 69) / 12.0f), 0.0f, 1.0f},
      {"1 MHz with the scoop", 1e6f, 0.0f, 1.0f},
      {"key 32767: infinite in float", kInf, 0.0f, 0.0f},
      {"a long glide up to 1 MHz", 1e6f, 1.0f, 0.0f},
  };
  for (int rate : {22050, 44100, 48000, 96000, 192000}) {
    for (const Case& c : cases) {
      VoiceRig rig(rate);
      everythingUp(rig);
      rig.set("freq", 30.0f);
      rig.set("gate", 1.0f);
      rig.render(rate / 10);
      rig.set("freq", c.freq);
      rig.set("glide", c.glide);
      rig.set("hoover", c.hoover);
      rig.set("gate", 0.0f);
      rig.render(1);
      rig.set("gate", 1.0f);
      EXPECT_LE(peakOf(rig.render(rate)), kLoudestVoice) << c.name << " at " << rate << " Hz";
    }
  }
}

// The sub alone, gliding from its bottom to far above the rate: its recursion's coefficient
// would pass 2 on the way, where it grows without bound.
TEST(VoicePitchLimit, TheSubSurvivesAGlideThroughHalfTheRate) {
  for (int rate : {44100, 96000}) {
    VoiceRig rig(rate);
    rig.quiet();
    rig.set("sub", 1.0f);
    rig.set("freq", 20.0f);
    rig.set("gate", 1.0f);
    rig.render(rate / 10);
    rig.set("glide", 0.5f);
    rig.set("freq", 4.0f * static_cast<float>(rate));
    EXPECT_LE(peakOf(rig.render(2 * rate)), 0.35f * 1.5f) << rate;
  }
}

// Legal keys, changed abruptly again and again (glide 0): each change moves the sub's
// recursion to a new ellipse, and before its peak was held the sine drifted upward
// without bound (past 1e20 after some thousands of changes).
TEST(VoicePitchLimit, TheSubStaysBoundedThroughManyKeyChanges) {
  VoiceRig rig(44100);
  rig.quiet();
  rig.set("sub", 1.0f);
  rig.set("gate", 1.0f);
  uint32_t seed = 1;
  float peak = 0.0f;
  for (int change = 0; change < 3000; ++change) {
    seed = seed * 1664525u + 1013904223u;
    rig.set("freq", 440.0f * std::exp2(float(int(seed >> 25) - 69) / 12.0f));  // keys 0..127
    peak = std::max(peak, peakOf(rig.render(64 + int(seed % 512))));
  }
  // The open filter overshoots a little on the sub's abrupt steps: 5 % is allowed for it.
  EXPECT_LE(peak, 0.35f * 1.5f * 1.05f);
}

// After a note at an infinite frequency the voice plays an ordinary key at its pitch.
TEST(VoicePitchLimit, AnOrdinaryNoteFollowsAnInfiniteOne) {
  constexpr int kRate = 48000;
  VoiceRig rig(kRate);
  rig.quiet();
  rig.set("sub", 1.0f);
  rig.set("freq", kInf);
  rig.set("gate", 1.0f);
  rig.render(kRate / 10);
  rig.set("freq", 440.0f);
  const Stereo out = rig.render(kRate / 2);
  const auto at = upwardCrossings(out.left, kRate / 4, kRate / 2);
  ASSERT_GE(at.size(), 10u);
  EXPECT_NEAR(kRate * double(at.size() - 1) / (at.back() - at.front()), 220.0, 0.5) << "the sub, an octave down";
}

}  // namespace
}  // namespace strobe95::test
