#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "PluginFixture.h"

namespace strobe95::test {
namespace {

class Process : public PluginTest {
 protected:
  clap_process_status run(AudioBlock& block, InputEvents* in = nullptr, OutputEvents* out = nullptr,
                          const clap_event_transport* transport = nullptr) {
    return instance->process(instance.plugin(), block.process(in, out, transport));
  }
};

TEST_F(Process, RefusesToRunWhileInactiveAndTouchesNothing) {
  AudioBlock block(32);
  InputEvents in;
  in.param(0, clapIdOf("cutoff"), 500);
  EXPECT_EQ(run(block, &in), CLAP_PROCESS_ERROR);
  EXPECT_EQ(block.channels[0][0], AudioBlock::kUntouched);
  EXPECT_EQ(instance.value("cutoff"), 1800) << "events of a refused block are not applied";

  ASSERT_TRUE(instance->activate(instance.plugin(), 48000, 32, 32));
  instance->deactivate(instance.plugin());
  EXPECT_EQ(run(block, &in), CLAP_PROCESS_ERROR);
  EXPECT_EQ(block.channels[1][31], AudioBlock::kUntouched);
}

TEST_F(Process, RefusesABlockWithoutOutputs) {
  ASSERT_TRUE(instance->activate(instance.plugin(), 48000, 32, 32));
  AudioBlock block(32);
  clap_process p = *block.process(nullptr, nullptr);
  p.audio_outputs_count = 0;
  EXPECT_EQ(instance->process(instance.plugin(), &p), CLAP_PROCESS_ERROR);
  EXPECT_EQ(block.channels[0][0], AudioBlock::kUntouched);
}

TEST_F(Process, WritesEveryFrameOfStereoAndMonoPorts) {
  ASSERT_TRUE(instance->activate(instance.plugin(), 44100.4, 1, 4096));
  for (uint32_t channels : {1u, 2u, 3u}) {
    for (uint32_t frames : {0u, 1u, 127u, 128u, 129u, 1000u}) {
      AudioBlock block(frames, channels);
      ASSERT_EQ(run(block), CLAP_PROCESS_CONTINUE);
      for (uint32_t c = 0; c < std::min(channels, 2u); ++c) {
        for (float sample : block.channels[c]) ASSERT_EQ(sample, 0.0f) << frames << " frames, channel " << c;
      }
      if (channels == 3 && frames > 0) {
        EXPECT_EQ(block.channels[2][0], AudioBlock::kUntouched) << "only two channels are ours";
      }
    }
  }
}

TEST_F(Process, HostParameterEventsAreStoredAsSent) {
  ASSERT_TRUE(instance->activate(instance.plugin(), 48000, 1, 4096));
  AudioBlock block(256);
  InputEvents in;
  in.param(64, clapIdOf("cutoff"), 500)
      .param(300, clapIdOf("resonance"), 1.5)  // beyond the block: applied at its end
      .param(10, 999, 1.0)
      .param(0, clapIdOf("arp_mode"), 2.6);
  ASSERT_EQ(run(block, &in), CLAP_PROCESS_CONTINUE);
  EXPECT_EQ(instance.value("cutoff"), 500);
  EXPECT_EQ(instance.value("resonance"), 1.5);
  EXPECT_EQ(instance.value("arp_mode"), double(2.6f));
}

TEST_F(Process, ToleratesEveryKindOfHostEvent) {
  ASSERT_TRUE(instance->activate(instance.plugin(), 48000, 1, 4096));
  InputEvents in;
  in.noteOn(0, 60, 0.8).noteOn(1, -1).noteOff(2, 60).noteOff(3, -1).choke(4, 61).choke(5, -1);
  in.midi(6, 0x93, 60, 100).midi(7, 0x90, 60, 0).midi(8, 0x81, 60, 0).midi(9, 0xB0, 123, 0);
  in.midi(10, 0xBF, 120, 0).midi(11, 0xB0, 64, 127).midi(12, 0xE0, 0, 64).midi(13, 0x90, 200, 255);
  in.noteOn(14, 32767).noteOn(4000, 60);
  AnyEvent foreign{};
  foreign.note = in.events[0].note;
  foreign.header.space_id = 42;
  in.raw(foreign);
  AnyEvent transport{};
  transport.transport = transportWithTempo(140);
  in.raw(transport);
  for (uint32_t frames : {0u, 1u, 16u, 256u}) {
    AudioBlock block(frames);
    EXPECT_EQ(run(block, &in), CLAP_PROCESS_CONTINUE);
  }
}

TEST_F(Process, FollowsTheTransportTempoWithoutTrouble) {
  ASSERT_TRUE(instance->activate(instance.plugin(), 48000, 1, 4096));
  AudioBlock block(64);
  for (double tempo : {120.0, 140.0, 140.0, 0.0, -5.0, std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::infinity(), 1e-300}) {
    const clap_event_transport transport = transportWithTempo(tempo);
    EXPECT_EQ(run(block, nullptr, nullptr, &transport), CLAP_PROCESS_CONTINUE) << tempo;
  }
}

TEST_F(Process, ResetIsHarmlessActiveOrNot) {
  instance->reset(instance.plugin());
  ASSERT_TRUE(instance->activate(instance.plugin(), 48000, 1, 4096));
  ASSERT_TRUE(instance->start_processing(instance.plugin()));
  instance->reset(instance.plugin());
  AudioBlock block(16);
  EXPECT_EQ(run(block), CLAP_PROCESS_CONTINUE);
  instance->stop_processing(instance.plugin());
  instance->deactivate(instance.plugin());
  instance->reset(instance.plugin());
}

// A reset ends every voice and tail at once and leaves the instance playing exactly as a
// newly activated one: a bounce that starts with a reset sounds the same whatever played
// before it.
TEST_F(Process, AfterAResetTheInstancePlaysAsAFreshOne) {
  struct Case {
    const char* name;
    std::vector<std::pair<const char*, double>> values;
  };
  const Case cases[] = {
      {"echoes and reverb", {{"delay_mix", 0.8}, {"delay_feedback", 0.9}, {"reverb_mix", 0.7}, {"release", 2.0}}},
      {"arpeggio", {{"arp_on", 1}, {"arp_mode", 3}, {"arp_feel", 1}, {"delay_mix", 0.5}}},
      {"mono glide with a sample", {{"mono", 1}, {"glide", 0.3}, {"sample", 3}, {"sample_level", 1}}},
  };
  constexpr uint32_t kFrames = 256;
  auto phrase = [&](const clap_plugin* plugin, int blocks, int16_t firstKey) {
    std::vector<float> heard;
    for (int b = 0; b < blocks; ++b) {
      InputEvents in;
      if (b % 8 == 0) in.noteOn(17, int16_t(firstKey + b / 8), 0.9).noteOn(101, int16_t(firstKey + 7), 0.7);
      if (b % 8 == 5) in.noteOff(3, int16_t(firstKey + b / 8));
      AudioBlock block(kFrames);
      OutputEvents out;
      EXPECT_EQ(plugin->process(plugin, block.process(&in, &out)), CLAP_PROCESS_CONTINUE);
      for (const auto& channel : block.channels) heard.insert(heard.end(), channel.begin(), channel.end());
    }
    return heard;
  };
  for (const Case& c : cases) {
    TestHost otherHost;
    PluginInstance played(builtPlugin(), host), fresh(builtPlugin(), otherHost);
    InputEvents values;
    for (const auto& [id, value] : c.values) values.param(0, clapIdOf(id), value);
    ASSERT_TRUE(played->activate(played.plugin(), 48000, 1, kFrames) && played->start_processing(played.plugin()));
    AudioBlock first(kFrames);
    ASSERT_EQ(played->process(played.plugin(), first.process(&values, nullptr)), CLAP_PROCESS_CONTINUE);
    phrase(played.plugin(), 24, 48);  // leaves voices releasing and echoes ringing

    played->reset(played.plugin());
    const std::vector<float> afterReset = phrase(played.plugin(), 40, 60);
    ASSERT_TRUE(fresh.loadText(played.saveText()));
    ASSERT_TRUE(fresh->activate(fresh.plugin(), 48000, 1, kFrames) && fresh->start_processing(fresh.plugin()));
    const std::vector<float> freshHeard = phrase(fresh.plugin(), 40, 60);
    ASSERT_EQ(afterReset.size(), freshHeard.size());
    size_t differing = 0;
    for (size_t i = 0; i < afterReset.size(); ++i) differing += afterReset[i] != freshHeard[i];
    EXPECT_EQ(differing, 0u) << c.name;

    played->reset(played.plugin());
    AudioBlock silence(kFrames);
    ASSERT_EQ(played->process(played.plugin(), silence.process(nullptr, nullptr)), CLAP_PROCESS_CONTINUE);
    for (const auto& channel : silence.channels) {
      for (float sample : channel) ASSERT_EQ(sample, 0.0f) << c.name << ": nothing rings on after a reset";
    }
  }
}

TEST_F(Process, ValuesSurviveReactivation) {
  InputEvents in;
  in.param(0, clapIdOf("cutoff"), 321);
  ASSERT_TRUE(instance->activate(instance.plugin(), 48000, 1, 4096));
  AudioBlock block(16);
  ASSERT_EQ(run(block, &in), CLAP_PROCESS_CONTINUE);
  instance->deactivate(instance.plugin());
  ASSERT_TRUE(instance->activate(instance.plugin(), 96000, 1, 4096));
  ASSERT_TRUE(instance->activate(instance.plugin(), 44100, 1, 4096)) << "activation while active starts afresh";
  EXPECT_EQ(instance.value("cutoff"), 321);
  EXPECT_EQ(run(block), CLAP_PROCESS_CONTINUE);
}

}  // namespace
}  // namespace strobe95::test
