// A note and a parameter change at the same frame: the note starts under the new value,
// whichever comes first in the frame's events, at a block's start and in its middle.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Engine.h"
#include "EngineParams.h"

namespace strobe95 {
namespace {

constexpr int kRate = 48000;
constexpr int32_t kBlock = 256;

EngineEvent on(uint32_t key, uint32_t offset) { return {offset, EngineEventKind::NoteOn, key, 0.8}; }
EngineEvent param(const char* id, double value, uint32_t offset = 0) {
  return {offset, EngineEventKind::ParamValue, static_cast<uint32_t>(findParamByTextId(id)), value};
}

// The voice that plays `key`, held with its gate open, or null.
const VoiceSlot* sounding(const Engine& engine, int32_t key) {
  for (int i = 0; i < engine.voiceCount(); ++i) {
    const VoiceSlot& v = engine.voice(i);
    if (v.active && v.held && v.gateHigh && v.key == key) return &v;
  }
  return nullptr;
}

// Sample step of a keyed sample: its rate over the engine's, times a semitone per key.
double keyedStep(int key, int rootKey) { return 44100.0 / kRate * std::pow(2.0, (key - rootKey) / 12.0); }

struct Case {
  const char* name;
  std::vector<EngineEvent> before;  // a block earlier: the state the change starts from
  std::vector<EngineEvent> change;  // values moved at the notes' frame
  std::vector<uint32_t> keys;       // notes started at that frame
  std::function<void(const Engine&)> check;
};

std::vector<Case> cases() {
  return {
      {"sample: the new sample's root key and rate", {}, {param("sample", 7)}, {60},
       [](const Engine& e) {
         ASSERT_NE(sounding(e, 60), nullptr);
         EXPECT_DOUBLE_EQ(sounding(e, 60)->sampleStep, keyedStep(60, 36)) << "Sub Drop's root is 36";
       }},
      {"sample_track off: the recorded speed", {}, {param("sample_track", 0)}, {72},
       [](const Engine& e) {
         ASSERT_NE(sounding(e, 72), nullptr);
         EXPECT_DOUBLE_EQ(sounding(e, 72)->sampleStep, 44100.0 / kRate);
       }},
      {"mono on: the chord's last key sounds on voice 0", {}, {param("mono", 1)}, {60, 64},
       [](const Engine& e) {
         EXPECT_EQ(sounding(e, 64), &e.voice(0));
         EXPECT_EQ(sounding(e, 60), nullptr) << "mono plays one key";
       }},
      {"mono off: the whole chord sounds", {param("mono", 1)}, {param("mono", 0)}, {60, 64, 67},
       [](const Engine& e) {
         for (int32_t key : {60, 64, 67}) EXPECT_NE(sounding(e, key), nullptr) << key;
       }},
      {"arp_on on: the chord is arpeggiated from its frame", {}, {param("arp_on", 1), param("arp_feel", 0)},
       {64, 60},
       [](const Engine& e) {
         EXPECT_EQ(e.arpeggiator().held().size(), 2u) << "both keys join the held list";
         EXPECT_NE(sounding(e, 60), nullptr) << "Up: the lowest key plays the first step";
       }},
      {"arp_on off: the whole chord sounds", {param("arp_on", 1)}, {param("arp_on", 0)}, {60, 64},
       [](const Engine& e) {
         EXPECT_NE(sounding(e, 60), nullptr);
         EXPECT_NE(sounding(e, 64), nullptr);
         EXPECT_TRUE(e.arpeggiator().held().empty());
       }},
      {"arpeggiator settings: Down over two octaves starts at the top",
       {param("arp_on", 1), param("arp_feel", 0)},
       {param("arp_mode", 1), param("arp_octaves", 2)}, {60},
       [](const Engine& e) { EXPECT_NE(sounding(e, 72), nullptr) << "60 72 reversed"; }},
  };
}

TEST(SameFrame, ANoteStartsUnderEveryValueInForceAtItsFrame) {
  for (const Case& c : cases()) {
    for (const uint32_t offset : {0u, 100u}) {
      for (const bool valuesFirst : {true, false}) {
        const std::string where = std::string(c.name) + (offset ? ", mid-block" : ", block start") +
                                  (valuesFirst ? ", values first" : ", notes first");
        Engine engine(kVoiceCount, kRate);
        std::vector<float> left(kBlock), right(kBlock);
        engine.process(left.data(), right.data(), kBlock, c.before.data(), static_cast<int32_t>(c.before.size()));

        std::vector<EngineEvent> values = c.change, notes;
        for (EngineEvent& v : values) v.offset = offset;
        for (uint32_t key : c.keys) notes.push_back(on(key, offset));
        std::vector<EngineEvent> events = valuesFirst ? values : notes;
        events.insert(events.end(), (valuesFirst ? notes : values).begin(), (valuesFirst ? notes : values).end());
        // The frame of the notes is the last one rendered, so nothing after it can
        // repair a wrong start.
        engine.process(left.data(), right.data(), static_cast<int32_t>(offset) + 1, events.data(),
                       static_cast<int32_t>(events.size()));
        SCOPED_TRACE(where);
        c.check(engine);
      }
    }
  }
}

// The same at the end of a block (events timed at its frame count) and in an empty block:
// applied there, heard from the next block's first frame.
TEST(SameFrame, ValuesAtABlocksEndComeBeforeTheNotesThere) {
  for (const int32_t frames : {0, 64}) {
    Engine engine(kVoiceCount, kRate);
    std::vector<float> left(64), right(64);
    const auto end = static_cast<uint32_t>(frames);
    const std::vector<EngineEvent> events = {on(60, end), on(64, end), param("mono", 1, end), param("sample", 7, end)};
    engine.process(left.data(), right.data(), frames, events.data(), static_cast<int32_t>(events.size()));
    engine.process(left.data(), right.data(), 1, nullptr, 0);
    ASSERT_EQ(sounding(engine, 64), &engine.voice(0)) << frames;
    EXPECT_DOUBLE_EQ(engine.voice(0).sampleStep, keyedStep(60, 36)) << "the chord's first key starts it, the second glides legato";
  }
}

}  // namespace
}  // namespace strobe95
