#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Arpeggiator.h"

namespace strobe95 {
namespace {

// Records what the arpeggiator plays, as "+60" for a note-on and "-60" for a note-off.
class RecordingSink : public NoteSink {
 public:
  void noteOn(uint32_t key, double velocity) override {
    log.push_back(std::to_string(key).insert(0, 1, '+'));
    velocities.push_back(velocity);
    ons.push_back(key);
  }
  void noteOff(uint32_t key) override { log.push_back(std::to_string(key).insert(0, 1, '-')); }
  std::vector<std::string> log;
  std::vector<uint32_t> ons;
  std::vector<double> velocities;
};

struct Arp {
  explicit Arp(ArpMode mode, uint32_t octaves = 1, ArpFeel feel = ArpFeel::Even, uint32_t rate = 1,
               double gate = 0.5)
      : arp(sink, 48000) {
    arp.setSettings(mode, rate, octaves, gate, feel);
  }
  // Runs the grid the way the block walk does, for the given number of steps.
  void play(int steps) {
    for (int i = 0; i < steps; ++i) {
      const double t = arp.nextStepTime();
      arp.endNoteIfDue(t);
      arp.step(t);
      arp.advanceStep();
    }
  }
  RecordingSink sink;
  Arpeggiator arp;
};

std::vector<uint32_t> keys(std::initializer_list<uint32_t> k) { return k; }

TEST(Arpeggiator, OrdersNotesByMode) {
  struct Case {
    ArpMode mode;
    uint32_t octaves;
    std::vector<uint32_t> pressed;
    std::vector<uint32_t> played;
  };
  const Case cases[] = {
      {ArpMode::Up, 2, {64, 60, 67}, {60, 64, 67, 72, 76, 79, 60}},
      {ArpMode::Down, 2, {64, 60, 67}, {79, 76, 72, 67, 64, 60, 79}},
      // Back down without repeating either end.
      {ArpMode::UpDown, 2, {60, 64, 67}, {60, 64, 67, 72, 76, 79, 76, 72, 67, 64, 60, 64}},
      {ArpMode::UpDown, 1, {64, 60}, {60, 64, 60, 64}},
      {ArpMode::UpDown, 1, {60}, {60, 60, 60}},
      {ArpMode::AsPlayed, 1, {67, 60, 64}, {67, 60, 64, 67}},
      {ArpMode::AsPlayed, 2, {67, 60}, {67, 60, 79, 72, 67}},
      // Pedal at four steps a beat: the lowest note on steps 0 and 4, the rest cycling between.
      {ArpMode::Pedal, 1, {48, 60, 64}, {48, 60, 64, 60, 48, 64, 60, 64}},
      {ArpMode::Pedal, 1, {48}, {48, 48, 48}},
      // The generator from its seed gives 1120982980, 3911581779, 1066994070, 1621898237,
      // 3583599928, 369452855; modulo 3 that is 1, 0, 0, 2, 1, 2.
      {ArpMode::Random, 1, {60, 64, 67}, {64, 60, 60, 67, 64, 67}},
  };
  for (const Case& c : cases) {
    Arp a(c.mode, c.octaves);
    for (uint32_t key : c.pressed) a.arp.press(key, 0.5, 0);
    a.play(int(c.played.size()));
    EXPECT_EQ(a.sink.ons, c.played) << "mode " << int(c.mode) << " octaves " << c.octaves;
  }
}

TEST(Arpeggiator, PressingAHeldKeyAgainMovesItLast) {
  Arp a(ArpMode::AsPlayed);
  for (uint32_t key : {67u, 60u, 64u}) a.arp.press(key, 0.5, 0);
  a.arp.press(60, 0.9, 0);
  a.play(3);
  EXPECT_EQ(a.sink.ons, keys({67, 64, 60}));
  EXPECT_EQ(a.sink.velocities.back(), 0.9) << "with its new velocity";
}

TEST(Arpeggiator, BreatheLaysPlaysRestsAndTiesOverTheGrid) {
  Arp a(ArpMode::Up, 1, ArpFeel::Breathe, 1, 0.5);
  for (uint32_t key : {60u, 64u, 67u}) a.arp.press(key, 1.0, 0);
  const double L = 6000;  // 120 BPM, 1/16, 48 kHz
  std::vector<std::pair<int, uint32_t>> started;
  std::vector<double> ends;
  for (int s = 0; s < 12; ++s) {
    const double t = a.arp.nextStepTime();
    EXPECT_EQ(t, s * L);
    const size_t before = a.sink.ons.size();
    a.arp.step(t);
    a.arp.advanceStep();
    if (a.sink.ons.size() > before) {
      started.emplace_back(s, a.sink.ons.back());
      ends.push_back(a.arp.noteOffTime());
    }
  }
  const std::vector<std::pair<int, uint32_t>> expected = {{0, 60}, {1, 64}, {3, 67}, {5, 60},
                                                          {7, 64}, {8, 67}, {11, 60}};
  EXPECT_EQ(started, expected);
  // Steps 3 and 8 are tied through the next step: 1 + gate steps long; the rest last gate.
  EXPECT_EQ(ends[0], 0 * L + 0.5 * L);
  EXPECT_EQ(ends[2], 3 * L + 1.5 * L);
  EXPECT_EQ(ends[5], 8 * L + 1.5 * L);
  EXPECT_EQ(ends[6], 11 * L + 0.5 * L);
}

TEST(Arpeggiator, StepLengthFollowsTempoRateAndSampleRate) {
  struct Case {
    double tempo;
    uint32_t rate;
    double sampleRate;
    double frames;
  };
  const Case cases[] = {
      {120, 1, 48000, 6000},   // a sixteenth is an eighth of a second
      {120, 0, 48000, 12000},
      {120, 2, 44100, 3675},   // a sixteenth triplet: 60/120 * 1/6 * 44100
      {140, 3, 48000, 60.0 / 140 * 0.125 * 48000},
  };
  for (const Case& c : cases) {
    RecordingSink sink;
    Arpeggiator arp(sink, c.sampleRate);
    arp.setTempo(c.tempo);
    arp.setSettings(ArpMode::Up, c.rate, 1, 0.5, ArpFeel::Even);
    EXPECT_DOUBLE_EQ(arp.stepLength(), c.frames);
  }
}

TEST(Arpeggiator, ReleasingAllKeysStopsTheGridButLetsTheNoteFinish) {
  Arp a(ArpMode::Up);
  a.arp.press(60, 1.0, 100);
  EXPECT_EQ(a.arp.nextStepTime(), 100) << "the first step falls on the key's own frame";
  a.play(1);
  a.arp.release(60);
  EXPECT_EQ(a.arp.nextStepTime(), Arpeggiator::kNever);
  EXPECT_TRUE(a.arp.sounding());
  a.arp.endNoteIfDue(100 + 2999);
  EXPECT_TRUE(a.arp.sounding());
  a.arp.endNoteIfDue(100 + 3000);
  EXPECT_EQ(a.sink.log, (std::vector<std::string>{"+60", "-60"}));

  // Pressing again restarts the pattern and the random sequence on the new key's frame.
  Arp r(ArpMode::Random);
  for (uint32_t key : {60u, 64u, 67u}) r.arp.press(key, 1.0, 0);
  r.play(4);
  for (uint32_t key : {60u, 64u, 67u}) r.arp.release(key);
  for (uint32_t key : {60u, 64u, 67u}) r.arp.press(key, 1.0, 50000);
  EXPECT_EQ(r.arp.nextStepTime(), 50000);
  r.play(4);
  EXPECT_EQ(std::vector<uint32_t>(r.sink.ons.begin() + 4, r.sink.ons.end()),
            std::vector<uint32_t>(r.sink.ons.begin(), r.sink.ons.begin() + 4));
}

TEST(Arpeggiator, ResetReleasesTheSoundingNoteAndForgetsKeys) {
  Arp a(ArpMode::Up);
  a.arp.press(60, 1.0, 0);
  a.play(1);
  a.arp.reset();
  EXPECT_EQ(a.sink.log, (std::vector<std::string>{"+60", "-60"}));
  EXPECT_TRUE(a.arp.held().empty());
  EXPECT_EQ(a.arp.nextStepTime(), Arpeggiator::kNever);
  a.arp.step(0);
  EXPECT_EQ(a.sink.ons.size(), 1u) << "a step with nothing held plays nothing";
}

TEST(Arpeggiator, DropsPressesBeyondItsCapacity) {
  Arp a(ArpMode::Up, 4);
  for (uint32_t key = 0; key < kMaxHeldKeys + 50; ++key) a.arp.press(key, 1.0, 0);
  EXPECT_EQ(a.arp.held().size(), kMaxHeldKeys);
  a.play(3);
  EXPECT_EQ(a.sink.ons, keys({0, 1, 2}));
}

}  // namespace
}  // namespace strobe95
