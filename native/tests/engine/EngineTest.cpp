// The engine driven directly: which voice each note takes, what the engine writes into
// the processors, and how its block walk places everything on exact frames.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "Engine.h"
#include "EngineParams.h"

namespace strobe95 {
namespace {

int paramIndex(const char* id) { return findParamByTextId(id); }

EngineEvent on(uint32_t key, uint32_t offset = 0, double velocity = 0.8) {
  return {offset, EngineEventKind::NoteOn, key, velocity};
}
EngineEvent off(uint32_t key, uint32_t offset = 0) { return {offset, EngineEventKind::NoteOff, key, 0.0}; }
EngineEvent param(const char* id, double value, uint32_t offset = 0) {
  return {offset, EngineEventKind::ParamValue, static_cast<uint32_t>(paramIndex(id)), value};
}
EngineEvent tempo(double bpm) { return {0, EngineEventKind::Tempo, 0, bpm}; }

class EngineTest : public ::testing::Test {
 protected:
  // Runs one block with the given events and returns the left channel.
  std::vector<float> run(int32_t frames, std::vector<EngineEvent> events = {}) {
    left.assign(static_cast<size_t>(std::max(frames, 1)), 0.0f);
    right.assign(left.size(), 0.0f);
    engine->process(left.data(), right.data(), frames, events.data(), static_cast<int32_t>(events.size()));
    return left;
  }
  std::vector<int32_t> keys() const {
    std::vector<int32_t> k;
    for (int i = 0; i < engine->voiceCount(); ++i) k.push_back(engine->voice(i).key);
    return k;
  }

  std::unique_ptr<Engine> engine = std::make_unique<Engine>(kVoiceCount, 48000);
  std::vector<float> left, right;
};

TEST_F(EngineTest, FreeVoicesFirstThenTheOldestReleasedThenTheOldestHeld) {
  std::vector<EngineEvent> events;
  for (uint32_t k = 0; k < 16; ++k) events.push_back(on(40 + k));
  run(64, events);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(engine->voice(i).key, 40 + i) << "slot order for free voices";

  // Release two voices; the older released one (slot 3) is taken first.
  run(64, {off(43), off(47)});
  run(64, {on(90)});
  EXPECT_EQ(engine->voice(3).key, 90);
  run(64, {on(91)});
  EXPECT_EQ(engine->voice(7).key, 91);

  // Everything held: the seventeenth note takes the oldest held voice (slot 0), whose gate
  // goes low for one frame before the new key starts.
  run(0, {on(92)});
  EXPECT_EQ(engine->voice(0).key, 92);
  EXPECT_TRUE(engine->voice(0).pendingTrigger);
  run(1);
  EXPECT_FALSE(engine->voice(0).pendingTrigger);
  EXPECT_TRUE(engine->voice(0).gateHigh);
}

TEST_F(EngineTest, TheSameKeyTwiceSoundsTwiceAndReleasesOldestFirst) {
  run(64, {on(60), on(60)});
  EXPECT_EQ(engine->voice(0).key, 60);
  EXPECT_EQ(engine->voice(1).key, 60);
  run(64, {off(60)});
  EXPECT_FALSE(engine->voice(0).held);
  EXPECT_TRUE(engine->voice(1).held);
}

TEST_F(EngineTest, AVelocityOfZeroReleasesTheKey) {
  run(64, {on(60)});
  run(64, {on(60, 0, 0.0)});
  EXPECT_FALSE(engine->voice(0).held);
  EXPECT_FALSE(engine->voice(1).active) << "no second voice started";
}

TEST_F(EngineTest, MonoPlaysTheLatestHeldKeyLegato) {
  run(64, {param("mono", 1)});
  run(64, {on(60)});
  const uint32_t stamp = engine->voice(0).startStamp;
  run(64, {on(64)});
  EXPECT_EQ(engine->voice(0).key, 64);
  EXPECT_EQ(engine->voice(0).startStamp, stamp) << "legato: no new start";
  EXPECT_FALSE(engine->voice(1).active) << "mono uses voice 0 alone";
  run(64, {off(64)});
  EXPECT_EQ(engine->voice(0).key, 60) << "back to the key still held";
  EXPECT_TRUE(engine->voice(0).held);
  run(64, {off(60)});
  EXPECT_FALSE(engine->voice(0).held);
  EXPECT_FALSE(engine->voice(0).gateHigh);

  // Pressed again after the release began: a new attack.
  run(64, {on(64)});
  EXPECT_NE(engine->voice(0).startStamp, stamp);
  EXPECT_TRUE(engine->voice(0).gateHigh);

  // Releasing a key that is not on top leaves the voice alone.
  run(64, {on(67), off(64)});
  EXPECT_EQ(engine->voice(0).key, 67);
  EXPECT_TRUE(engine->voice(0).held);
}

TEST_F(EngineTest, SwitchingMonoOrArpReleasesEverything) {
  for (const char* sw : {"mono", "arp_on"}) {
    engine = std::make_unique<Engine>(kVoiceCount, 48000);
    run(64, {on(60), on(64)});
    run(64, {param(sw, 1)});
    for (int i = 0; i < 2; ++i) EXPECT_FALSE(engine->voice(i).held) << sw;
    run(64, {param(sw, 0)});
    run(64);
    for (int i = 0; i < 2; ++i) EXPECT_FALSE(engine->voice(i).gateHigh) << sw << ": keys must be pressed again";
  }
}

TEST_F(EngineTest, ParameterValuesAreClampedAndRoundedByType) {
  struct Case {
    const char* id;
    double sent;
    float applied;
  };
  const Case cases[] = {
      {"arp_mode", 2.6, 3},      {"arp_octaves", 4.5, 4}, {"mono", 0.5, 1},
      {"sample", -0.4, 0},       {"cutoff", 1e30, 16000}, {"cutoff", -1e30, 40},
      {"resonance", std::numeric_limits<double>::quiet_NaN(), 0},
      {"supersaw", 0.123, 0.123f},  // floats are not rounded
  };
  for (const Case& c : cases) {
    run(0, {param(c.id, c.sent)});
    EXPECT_EQ(engine->param(paramIndex(c.id)), c.applied) << c.id << " " << c.sent;
  }
  run(0, {{0, EngineEventKind::ParamValue, 37, 1.0}, {0, EngineEventKind::ParamValue, 9999, 1.0}});
}

TEST_F(EngineTest, DelayTimeFollowsTempoAndNoteValue) {
  struct Case {
    double bpm;
    double note;
    float seconds;
  };
  const Case cases[] = {
      {120, 2, 0.375f},  // 3/16 at 120: three sixteenths of half a second per beat
      {40, 2, 1.125f},
      {50, 5, 2.0f},     // a half note at 50 BPM would be 2.4 s: capped
      {120, 0, 0.125f}, {120, 5, 1.0f}, {60, 5, 2.0f},
      {-5, 1, 0.25f},    // a tempo of 0 or below is ignored: the engine keeps 120
  };
  for (const Case& c : cases) {
    engine = std::make_unique<Engine>(kVoiceCount, 48000);
    run(16, {tempo(c.bpm), param("delay_note", c.note)});
    EXPECT_FLOAT_EQ(engine->delaySeconds(), c.seconds) << c.bpm << " BPM, note " << c.note;
  }
}

TEST_F(EngineTest, AReleasedVoiceIsFreedAfter1024QuietFrames) {
  run(0, {param("release", 0.001), param("attack", 0.001), param("noise", 0)});
  run(256, {on(60)});
  run(16, {off(60)});
  // 1 ms of release at 48 kHz: quiet within 48 frames, then 1024 quiet frames are counted.
  int frames = 0;
  while (engine->voice(0).active && frames < 10000) {
    run(16);
    frames += 16;
  }
  EXPECT_GE(frames, 1024);
  EXPECT_LT(frames, 1024 + 256);
  EXPECT_EQ(engine->voice(0).key, -1);
}

TEST_F(EngineTest, ANoteStartsOnItsFrame) {
  const auto out = run(256, {on(60, 100)});
  for (int i = 0; i < 100; ++i) ASSERT_EQ(out[size_t(i)], 0.0f) << i;
  bool sounds = false;
  for (int i = 100; i < 256; ++i) sounds |= out[size_t(i)] != 0.0f;
  EXPECT_TRUE(sounds);
}

TEST_F(EngineTest, AParameterChangesOnItsFrame) {
  Engine reference(kVoiceCount, 48000);
  std::vector<float> a(512), b(512), ar(512), br(512);
  const std::vector<EngineEvent> start = {on(48)};
  reference.process(a.data(), ar.data(), 256, start.data(), 1);
  engine->process(b.data(), br.data(), 256, start.data(), 1);
  const std::vector<EngineEvent> change = {param("cutoff", 200, 64)};
  reference.process(a.data(), ar.data(), 256, nullptr, 0);
  engine->process(b.data(), br.data(), 256, change.data(), 1);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(a[size_t(i)], b[size_t(i)]) << i;
  bool differs = false;
  for (int i = 64; i < 256; ++i) differs |= a[size_t(i)] != b[size_t(i)];
  EXPECT_TRUE(differs);
}

TEST_F(EngineTest, ArpeggioStepsFallOnExactFrames) {
  // 120 BPM, 1/8, gate 1: notes 12000 frames apart, each ending as the next begins.
  run(0, {param("arp_on", 1), param("arp_rate", 0), param("arp_gate", 1), param("arp_feel", 0)});
  std::vector<std::pair<uint64_t, int32_t>> starts;
  uint32_t lastStamp = 0;
  run(100);
  for (int block = 0; block < 400; ++block) {
    run(97, block == 0 ? std::vector<EngineEvent>{on(60, 3), on(64, 3)} : std::vector<EngineEvent>{});
    for (int v = 0; v < engine->voiceCount(); ++v) {
      if (engine->voice(v).startStamp > lastStamp) {
        lastStamp = engine->voice(v).startStamp;
        starts.emplace_back(engine->sampleCounter(), engine->voice(v).key);
      }
    }
  }
  ASSERT_GE(starts.size(), 3u);
  EXPECT_EQ(starts[0].second, 60);
  EXPECT_EQ(starts[1].second, 64);
  EXPECT_EQ(starts[2].second, 60);
  // Observed at block ends, so each start is seen within one 97-frame block of its frame.
  for (size_t i = 1; i < starts.size(); ++i) {
    const auto gap = int64_t(starts[i].first) - int64_t(starts[i - 1].first);
    EXPECT_NEAR(double(gap), 12000.0, 97.0);
  }
}

TEST_F(EngineTest, ArpeggioFollowsTheHostTempoFromTheNextStep) {
  // 1/16 at 150 BPM is 4800 frames; the first step falls on the key's frame.
  run(1, {tempo(150), param("arp_on", 1), param("arp_rate", 1), param("arp_feel", 0)});
  run(0, {on(60)});
  EXPECT_EQ(engine->arpeggiator().nextStepTime(), 1.0) << "the key's own frame";
  run(1);
  EXPECT_EQ(engine->arpeggiator().nextStepTime(), 1.0 + 4800.0);
  run(4800, {tempo(100)});  // 7200 frames a step from the step at 4801 on
  EXPECT_EQ(engine->arpeggiator().nextStepTime(), 1.0 + 4800.0 + 7200.0);
}

TEST_F(EngineTest, AMonoArpeggioWithFullGateJoinsItsNotesLegato) {
  // Gate 1: each note ends on the frame the next begins, so the release and the new start
  // fall between two renders: the voice never renders with its gate low, and the next
  // note is not deferred for a gate edge, so no new attack is heard.
  run(1, {param("mono", 1), param("arp_on", 1), param("arp_gate", 1), param("arp_feel", 0)});
  run(16, {on(60), on(64)});
  std::vector<int32_t> heard;
  for (int block = 0; block < 40; ++block) {
    run(600);
    if (heard.empty() || heard.back() != engine->voice(0).key) heard.push_back(engine->voice(0).key);
    ASSERT_TRUE(engine->voice(0).gateHigh) << "block " << block;
    ASSERT_EQ(*engine->voice(0).gateControl, 1.0f);
    ASSERT_FALSE(engine->voice(0).pendingTrigger);
    ASSERT_FALSE(engine->voice(1).active) << "mono plays voice 0 alone";
  }
  EXPECT_EQ(heard, (std::vector<int32_t>{60, 64, 60, 64, 60}));  // steps at 1, 6001, ... 24001
}

// Random note, MIDI-like and parameter streams in random block sizes: the output stays
// finite and normal, and splitting the same input differently gives the same output.
TEST(EngineRandom, OutputIsFiniteAndIndependentOfBlockSize) {
  std::mt19937 random(95);
  struct Timed {
    uint64_t frame;
    EngineEvent event;
  };
  std::vector<Timed> script;
  uint64_t frame = 0;
  for (int i = 0; i < 1500; ++i) {
    frame += random() % 300;
    EngineEvent e{};
    switch (random() % 6) {
      case 0: case 1: e = on(uint32_t(24 + random() % 84), 0, double(random() % 128) / 127.0); break;
      case 2: case 3: e = off(uint32_t(24 + random() % 84)); break;
      case 4: e = {0, EngineEventKind::AllNotesOff, 0, 0}; if (random() % 8) continue; break;
      default: {
        const auto index = uint32_t(random() % kParamCount);
        const ParamSpec& param = kParamSpecs[index];
        const double v = param.min + (param.max - param.min) * double(random() % 1001) / 1000.0;
        e = {0, EngineEventKind::ParamValue, index, v};
      }
    }
    script.push_back({frame, e});
  }
  const uint64_t total = frame + 48000;

  auto render = [&](auto nextBlockSize) {
    Engine engine(kVoiceCount, 44100);
    std::vector<float> out, outRight;
    std::vector<float> l(4096), r(4096);
    std::vector<EngineEvent> events;
    size_t next = 0;
    for (uint64_t start = 0; start < total;) {
      const auto frames = uint32_t(std::min<uint64_t>(nextBlockSize(), total - start));
      events.clear();
      for (; next < script.size() && script[next].frame < start + frames; ++next) {
        EngineEvent e = script[next].event;
        e.offset = uint32_t(script[next].frame - start);
        events.push_back(e);
      }
      engine.process(l.data(), r.data(), int32_t(frames), events.data(), int32_t(events.size()));
      out.insert(out.end(), l.begin(), l.begin() + frames);
      outRight.insert(outRight.end(), r.begin(), r.begin() + frames);
      start += frames;
    }
    out.insert(out.end(), outRight.begin(), outRight.end());
    return out;
  };
  std::mt19937 sizes(7);
  const auto a = render([] { return 128u; });
  const auto b = render([&] { return uint32_t(sizes() % 4097); });
  ASSERT_EQ(a.size(), b.size());
  size_t mismatches = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    ASSERT_TRUE(std::isfinite(a[i])) << i;
    ASSERT_TRUE(a[i] == 0.0f || std::fabs(a[i]) >= std::numeric_limits<float>::min()) << "subnormal at " << i;
    if (a[i] != b[i] && mismatches++ == 0) {
      ADD_FAILURE() << "first difference at output sample " << i << " of " << a.size();
    }
  }
  EXPECT_EQ(mismatches, 0u);
}

}  // namespace
}  // namespace strobe95
