// The plugin binary plays: notes, MIDI, automation and the faceplate's keys land on the
// frames they are sent for.
#include <cmath>
#include <numeric>

#include "PluginFixture.h"

namespace strobe95::test {
namespace {

class Sound : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    ASSERT_TRUE(instance->activate(instance.plugin(), 48000, 1, 4096));
    ASSERT_TRUE(instance->start_processing(instance.plugin()));
  }
  // Processes one block and returns it.
  AudioBlock run(uint32_t frames, InputEvents in = {}, uint32_t channels = 2) {
    AudioBlock block(frames, channels);
    EXPECT_EQ(instance->process(instance.plugin(), block.process(&in, nullptr)), CLAP_PROCESS_CONTINUE);
    return block;
  }
  static float peak(const std::vector<float>& samples, size_t from = 0, size_t to = SIZE_MAX) {
    float p = 0;
    for (size_t i = from; i < std::min(to, samples.size()); ++i) p = std::max(p, std::fabs(samples[i]));
    return p;
  }
  // Short envelopes, so that a released note is gone within a few blocks.
  InputEvents quickEnvelope() {
    InputEvents in;
    in.param(0, clapIdOf("attack"), 0.001).param(0, clapIdOf("release"), 0.001);
    return in;
  }
};

TEST_F(Sound, ANoteStartsOnItsFrame) {
  InputEvents in;
  in.noteOn(100, 60, 0.8);
  const AudioBlock block = run(256, in);
  EXPECT_EQ(peak(block.channels[0], 0, 100), 0.0f);
  EXPECT_EQ(peak(block.channels[1], 0, 100), 0.0f);
  EXPECT_GT(peak(block.channels[0], 100), 0.0f);
}

TEST_F(Sound, MidiNotesAndControllersAreUnderstood) {
  struct Case {
    const char* what;
    uint8_t status, data1, data2;
    bool silencesTheNote;
  };
  const Case cases[] = {
      {"note-off", 0x80, 60, 0, true},
      {"note-on at velocity 0", 0x93, 60, 0, true},
      {"all notes off (123)", 0xB5, 123, 0, true},
      {"all sound off (120)", 0xBF, 120, 0, true},
      {"sustain pedal (64)", 0xB0, 64, 127, false},
      {"another key's note-off", 0x80, 61, 0, false},
  };
  for (const Case& c : cases) {
    TestHost h;
    PluginInstance fresh(builtPlugin(), h);
    ASSERT_TRUE(fresh->activate(fresh.plugin(), 48000, 1, 4096));
    InputEvents start = quickEnvelope();
    start.midi(0, 0x90, 60, 100);
    AudioBlock block(4800);
    fresh->process(fresh.plugin(), block.process(&start, nullptr));
    EXPECT_GT(peak(block.channels[0]), 0.01f) << c.what;
    InputEvents stop;
    stop.midi(0, c.status, c.data1, c.data2);
    fresh->process(fresh.plugin(), block.process(&stop, nullptr));
    AudioBlock later(4800);
    fresh->process(fresh.plugin(), later.process(nullptr, nullptr));
    EXPECT_EQ(peak(later.channels[0]) == 0.0f, c.silencesTheNote) << c.what << " peak " << peak(later.channels[0]);
  }
}

// A byte with bit 7 set where a data byte belongs: the message is ignored whole, neither
// played as a key above 127 or a velocity above 1, nor masked into another key.
TEST_F(Sound, MidiWithADataByteAbove127IsIgnored) {
  const uint8_t messages[][3] = {{0x90, 200, 100}, {0x90, 60, 255}, {0x90, 188, 128}, {0x9F, 0xFF, 0xFF}};
  for (const auto& m : messages) {
    TestHost h;
    PluginInstance fresh(builtPlugin(), h);
    ASSERT_TRUE(fresh->activate(fresh.plugin(), 48000, 1, 4096));
    InputEvents in;
    in.midi(0, m[0], m[1], m[2]);
    AudioBlock block(4800);
    fresh->process(fresh.plugin(), block.process(&in, nullptr));
    EXPECT_EQ(peak(block.channels[0]), 0.0f) << int(m[1]) << " " << int(m[2]);
  }
  // Nor does a malformed note-off or controller end a note.
  InputEvents start = quickEnvelope();
  start.midi(0, 0x90, 60, 100);
  run(480, start);
  InputEvents stop;
  stop.midi(0, 0x80, 60 | 0x80, 0).midi(0, 0x80, 60, 0x80).midi(0, 0xB0, 123, 0xFF).midi(0, 0xB0, 123 | 0x80, 0);
  run(480, stop);
  EXPECT_GT(peak(run(4800).channels[0]), 0.01f);
}

TEST_F(Sound, AutomationTakesEffectOnItsFrame) {
  TestHost otherHost;
  PluginInstance reference(builtPlugin(), otherHost);
  ASSERT_TRUE(reference->activate(reference.plugin(), 48000, 1, 4096));
  InputEvents start;
  start.noteOn(0, 48, 1.0);
  AudioBlock a(256), b(256);
  reference->process(reference.plugin(), a.process(&start, nullptr));
  instance->process(instance.plugin(), b.process(&start, nullptr));
  InputEvents change;
  change.param(64, clapIdOf("cutoff"), 150);
  InputEvents none;
  reference->process(reference.plugin(), a.process(&none, nullptr));
  instance->process(instance.plugin(), b.process(&change, nullptr));
  for (size_t i = 0; i < 64; ++i) ASSERT_EQ(a.channels[0][i], b.channels[0][i]) << i;
  bool differs = false;
  for (size_t i = 64; i < 256; ++i) differs |= a.channels[0][i] != b.channels[0][i];
  EXPECT_TRUE(differs);
}

TEST_F(Sound, AMonoPortReceivesBothChannels) {
  TestHost otherHost;
  PluginInstance stereo(builtPlugin(), otherHost);
  ASSERT_TRUE(stereo->activate(stereo.plugin(), 48000, 1, 4096));
  InputEvents in;
  in.param(0, clapIdOf("width"), 1).noteOn(0, 60, 1.0);
  AudioBlock s(512), m(512, 1);
  stereo->process(stereo.plugin(), s.process(&in, nullptr));
  instance->process(instance.plugin(), m.process(&in, nullptr));
  for (size_t i = 0; i < 512; ++i) {
    ASSERT_FLOAT_EQ(m.channels[0][i], s.channels[0][i] + s.channels[1][i]) << i;
  }
}

// A host recalling settings on the downbeat sends the switches and the chord at one frame,
// in either order; the chord is heard under the new switches, not released by them.
TEST_F(Sound, SwitchesAtAChordsFrameDoNotReleaseIt) {
  for (const char* id : {"mono", "arp_on"}) {
    for (const uint32_t offset : {0u, 100u}) {
      for (const bool switchFirst : {true, false}) {
        TestHost h;
        PluginInstance fresh(builtPlugin(), h);
        ASSERT_TRUE(fresh->activate(fresh.plugin(), 48000, 1, 4096));
        InputEvents in;
        if (switchFirst) in.param(offset, clapIdOf(id), 1);
        in.noteOn(offset, 60, 1.0).noteOn(offset, 64, 1.0);
        if (!switchFirst) in.param(offset, clapIdOf(id), 1);
        AudioBlock block(4800), later(4800);
        fresh->process(fresh.plugin(), block.process(&in, nullptr));
        fresh->process(fresh.plugin(), later.process(nullptr, nullptr));
        EXPECT_GT(peak(later.channels[0]), 0.01f) << id << " at " << offset << (switchFirst ? ", switch first" : ", notes first");
      }
    }
  }
}

// The values in force at activation include the mono and arpeggiator switches; a note in
// the very first block must be played under them, not released by their arrival.
TEST_F(Sound, TheFirstNoteAfterActivationPlaysUnderTheStoredSwitches) {
  for (const char* state : {"STROBE-95 0.5.1\nmono 1\nrelease 0.001\n", "STROBE-95 0.5.1\narp_on 1\n"}) {
    TestHost h;
    PluginInstance fresh(builtPlugin(), h);
    ASSERT_TRUE(fresh.loadText(state));
    ASSERT_TRUE(fresh->activate(fresh.plugin(), 48000, 1, 4096));
    InputEvents in;
    in.noteOn(0, 60, 1.0);
    AudioBlock block(4800);
    fresh->process(fresh.plugin(), block.process(&in, nullptr));
    AudioBlock later(4800);
    fresh->process(fresh.plugin(), later.process(nullptr, nullptr));
    EXPECT_GT(peak(later.channels[0]), 0.01f) << state;
  }
}

}  // namespace
}  // namespace strobe95::test
