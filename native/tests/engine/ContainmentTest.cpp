// What the engine does with values no legal note carries, and with a voice gone wrong.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "Engine.h"
#include "VoiceBuilds.h"
#include "EngineParams.h"

namespace strobe95 {
namespace {

constexpr int kRate = 48000;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

EngineEvent on(uint32_t key, double velocity) { return {0, EngineEventKind::NoteOn, key, velocity}; }
EngineEvent param(const char* id, double value) {
  return {0, EngineEventKind::ParamValue, static_cast<uint32_t>(findParamByTextId(id)), value};
}

struct Rendered {
  std::vector<float> left, right;
  float peak() const {
    float p = 0.0f;
    for (size_t i = 0; i < left.size(); ++i) p = std::max({p, std::fabs(left[i]), std::fabs(right[i])});
    return p;
  }
  bool finite() const {
    for (size_t i = 0; i < left.size(); ++i) {
      if (!std::isfinite(left[i]) || !std::isfinite(right[i])) return false;
    }
    return true;
  }
};

Rendered run(Engine& engine, int32_t frames, std::vector<EngineEvent> events = {}) {
  Rendered r{std::vector<float>(frames), std::vector<float>(frames)};
  engine.process(r.left.data(), r.right.data(), frames, events.data(), static_cast<int32_t>(events.size()));
  return r;
}

TEST(Velocity, IsClampedToFullAndANaNIsANoteOff) {
  struct Case {
    double velocity;
    bool starts;
    float gain;  // written into the voice when it starts
  } cases[] = {
      {0.5, true, 0.5f}, {1.0, true, 1.0f}, {1e6, true, 1.0f}, {kInf, true, 1.0f},
      {0.0, false, 0}, {-1.0, false, 0}, {-kInf, false, 0}, {kNaN, false, 0},
  };
  for (const Case& c : cases) {
    for (const bool arp : {false, true}) {
      Engine engine(kVoiceCount, kRate);
      run(engine, 64, {param("arp_on", arp ? 1 : 0), on(60, 0.3)});
      // The key is held; a second note-on for it either retakes it or releases it.
      run(engine, 64, {on(60, c.velocity)});
      const bool held = arp ? !engine.arpeggiator().held().empty()
                            : std::any_of(&engine.voice(0), &engine.voice(0) + 2,
                                          [](const VoiceSlot& v) { return v.held; });
      EXPECT_EQ(held, c.starts) << c.velocity << (arp ? " arpeggiated" : "");
      if (!c.starts) continue;
      if (arp) {
        EXPECT_EQ(engine.arpeggiator().held()[0].velocity, c.gain) << c.velocity;
      } else {
        EXPECT_EQ(*engine.voice(1).gainControl, c.gain) << c.velocity;
      }
    }
  }
}

// The same key at velocity 1 and at 1e6 sounds the same, bit for bit.
TEST(Velocity, AboveOneSoundsLikeOne) {
  Engine full(kVoiceCount, kRate), huge(kVoiceCount, kRate);
  const Rendered a = run(full, 4096, {on(60, 1.0)});
  const Rendered b = run(huge, 4096, {on(60, 1e6)});
  EXPECT_EQ(a.left, b.left);
  EXPECT_EQ(a.right, b.right);
}

// A voice whose state has gone non-finite is cleared and freed before its output reaches
// the effects; the other voices, the delay and the reverb play on.
TEST(BrokenVoice, IsClearedAndFreedAndNeverReachesTheEffects) {
  // An infinite gain state stays infinite (a NaN one would heal on the next sample), so
  // the voice's output is non-finite from here on.
  constexpr float kInfF = std::numeric_limits<float>::infinity();
  // The baseline build's voices: the poison goes in through their class's own door.
  ProcessorFactory processors = ProcessorFactory::generated();
  processors.voice = [] { return gen::makeVoice(gen::VoiceBuild::Baseline); };
  for (const float poison : {kInfF, -kInfF}) {
    Engine engine(kVoiceCount, kRate, processors);
    run(engine, 512, {param("delay_mix", 0.5), param("reverb_mix", 0.5), param("chorus", 1), on(60, 1.0), on(67, 1.0)});
    dynamic_cast<gen::Voice&>(engine.voiceProcessorForTesting(0)).forceGainStateForTesting(poison);
    const Rendered during = run(engine, 512);
    ASSERT_TRUE(during.finite()) << poison;
    EXPECT_FALSE(engine.voice(0).active) << "freed";
    EXPECT_EQ(engine.voice(0).key, -1);
    EXPECT_TRUE(engine.voice(1).active && engine.voice(1).held) << "the other voice plays on";
    EXPECT_GT(during.peak(), 0.01f);

    // The freed voice is taken again by the next note, from a cleared state.
    const Rendered after = run(engine, 8192, {on(64, 1.0)});
    ASSERT_TRUE(after.finite());
    EXPECT_EQ(engine.voice(0).key, 64);
    EXPECT_GT(after.peak(), 0.01f);
    // Everything released: the effects' tails still ring, and are finite.
    const Rendered tail = run(engine, 48000, {{0, EngineEventKind::AllNotesOff, 0, 0.0}});
    ASSERT_TRUE(tail.finite());
    float late = 0.0f;
    for (size_t i = 24000; i < tail.left.size(); ++i) late = std::max(late, std::fabs(tail.left[i]));
    EXPECT_GT(late, 1e-4f) << "the echoes and the plate are alive";
  }
}

}  // namespace
}  // namespace strobe95
