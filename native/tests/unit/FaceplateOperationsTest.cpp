// The faceplate's operations have no CLAP entry point of their own, so these tests drive
// the plugin class directly and watch what reaches the host through flush and process.
#include <gtest/gtest.h>

#include <thread>

#include "AudioBlock.h"
#include "EventLists.h"
#include "ParamSpec.h"
#include "Plugin.h"
#include "TestHost.h"

namespace strobe95 {
namespace {

using test::AudioBlock;
using test::OutputEvents;

class FaceplateOperations : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(plugin.init()); }

  const clap_plugin* clap() { return plugin.clapPlugin(); }
  std::vector<test::AnyEvent> flushToHost() {
    OutputEvents out;
    plugin.flush(nullptr, out.list());
    return out.events;
  }

  test::TestHost host;
  Plugin plugin{host.host()};
};

TEST_F(FaceplateOperations, SetClampsRoundsStoresAndAsksTheHostToFlush) {
  struct Case {
    const char* id;
    float sent;
    float stored;
  };
  const Case cases[] = {
      {"cutoff", 99999, 16000}, {"cutoff", -1, 40},         {"arp_octaves", 2.5f, 3},
      {"arp_octaves", 2.49f, 2}, {"mono", 0.4f, 0},         {"mono", 0.5f, 1},
      {"sample", 7.6f, 8},       {"supersaw", 0.123f, 0.123f}, {"resonance", 1, 0.98f},
      {"cutoff", std::numeric_limits<float>::quiet_NaN(), 40},
  };
  int expectedRequests = 0;
  for (const Case& c : cases) {
    const int index = findParamByTextId(c.id);
    plugin.setParameterFromGui(index, c.sent);
    ++expectedRequests;
    EXPECT_EQ(plugin.value(index), c.stored) << c.id << " " << c.sent;
    const auto events = flushToHost();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].header.type, CLAP_EVENT_PARAM_VALUE);
    EXPECT_EQ(events[0].param.param_id, kParamSpecs[index].clapId);
    EXPECT_EQ(events[0].param.value, double(c.stored));
  }
  EXPECT_EQ(host.flushRequests, expectedRequests);
  EXPECT_EQ(host.dirtyMarks, expectedRequests);
}

TEST_F(FaceplateOperations, AGestureReachesTheHostInOrderWithTheRightShape) {
  const int cutoff = findParamByTextId("cutoff");
  plugin.beginGesture(cutoff);
  EXPECT_EQ(host.flushRequests, 0) << "a gesture begin alone asks for nothing";
  plugin.setParameterFromGui(cutoff, 500);
  plugin.setParameterFromGui(cutoff, 600);
  plugin.endGesture(cutoff);
  EXPECT_EQ(host.flushRequests, 3);

  ASSERT_TRUE(plugin.activate(48000));
  AudioBlock block(64);
  OutputEvents out;
  ASSERT_EQ(plugin.process(block.process(nullptr, &out)), CLAP_PROCESS_CONTINUE);
  ASSERT_EQ(out.events.size(), 4u);
  const uint16_t types[] = {CLAP_EVENT_PARAM_GESTURE_BEGIN, CLAP_EVENT_PARAM_VALUE, CLAP_EVENT_PARAM_VALUE,
                            CLAP_EVENT_PARAM_GESTURE_END};
  for (size_t i = 0; i < 4; ++i) {
    const clap_event_header& h = out.events[i].header;
    EXPECT_EQ(h.type, types[i]);
    EXPECT_EQ(h.size, h.type == CLAP_EVENT_PARAM_VALUE ? 56u : 20u);
    EXPECT_EQ(h.time, 0u);
    EXPECT_EQ(h.space_id, CLAP_CORE_EVENT_SPACE_ID);
    EXPECT_EQ(h.flags, 0u);
  }
  const clap_event_param_value& v = out.events[2].param;
  EXPECT_EQ(v.param_id, 1801646368u);
  EXPECT_EQ(v.value, 600.0);
  EXPECT_EQ(v.cookie, nullptr);
  EXPECT_EQ(v.note_id, -1);
  EXPECT_EQ(v.port_index, -1);
  EXPECT_EQ(v.channel, -1);
  EXPECT_EQ(v.key, -1);
  EXPECT_EQ(out.events[0].gesture.param_id, 1801646368u);
  EXPECT_TRUE(flushToHost().empty()) << "the outbox was drained by process";
}

TEST_F(FaceplateOperations, RefusedEventsAreDroppedNotRetried) {
  plugin.setParameterFromGui(findParamByTextId("drive"), 0.5f);
  OutputEvents refusing;
  refusing.refuse = true;
  plugin.flush(nullptr, refusing.list());
  EXPECT_TRUE(flushToHost().empty());
  EXPECT_EQ(plugin.value(findParamByTextId("drive")), 0.5f);
}

TEST_F(FaceplateOperations, AFullOutboxDropsReportsButKeepsValues) {
  const int drive = findParamByTextId("drive");
  for (int i = 0; i < 3000; ++i) plugin.setParameterFromGui(drive, float(i % 100) / 100.0f);
  plugin.beginGesture(drive);
  plugin.setParameterFromGui(drive, 0.77f);
  EXPECT_EQ(plugin.value(drive), 0.77f) << "the value is in force even when its report is dropped";
  EXPECT_EQ(host.flushRequests, 3001) << "the host is asked to flush whether or not the entry fitted";
  const auto events = flushToHost();
  ASSERT_EQ(events.size(), 2047u) << "2048 slots hold at most 2047 waiting entries";
  EXPECT_EQ(events.front().param.value, 0.0);
  EXPECT_EQ(events.back().param.value, double(float(2046 % 100) / 100.0f));
  plugin.setParameterFromGui(drive, 0.5f);
  EXPECT_EQ(flushToHost().size(), 1u) << "room again once drained";
}

TEST_F(FaceplateOperations, PresetStateIsStoredAndSavedTogether) {
  EXPECT_EQ(plugin.getPresetState(), (PresetState{"", false}));
  plugin.setPresetState("Acid Line", true);
  EXPECT_EQ(plugin.getPresetState(), (PresetState{"Acid Line", true}));
  const std::string text = plugin.writeStateText();
  EXPECT_EQ(text.substr(0, text.find("supersaw")), "STROBE-95 0.5.1\npreset Acid Line\nedited 1\n");
}

TEST_F(FaceplateOperations, PresetStateIsNeverSeenTorn) {
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    for (int i = 0; i < 20000; ++i) {
      plugin.setPresetState(i % 2 ? "Hoover" : "Pad Wash", i % 2 == 1);
    }
    stop = true;
  });
  while (!stop) {
    const PresetState s = plugin.getPresetState();
    if (!s.name.empty()) {
      ASSERT_EQ(s.edited, s.name == "Hoover");
    }
  }
  writer.join();
}

TEST_F(FaceplateOperations, HostChangesRaiseTheRefreshFlagOnce) {
  EXPECT_FALSE(plugin.takeNeedsRefresh());
  test::InputEvents in;
  in.param(0, kParamSpecs[3].clapId, 0.5);
  plugin.flush(in.list(), nullptr);
  EXPECT_TRUE(plugin.takeNeedsRefresh());
  EXPECT_FALSE(plugin.takeNeedsRefresh());

  ASSERT_TRUE(plugin.activate(48000));
  AudioBlock block(32);
  ASSERT_EQ(plugin.process(block.process(&in, nullptr)), CLAP_PROCESS_CONTINUE);
  EXPECT_TRUE(plugin.takeNeedsRefresh());
  plugin.setParameterFromGui(3, 0.1f);
  EXPECT_FALSE(plugin.takeNeedsRefresh()) << "the faceplate's own edits need no refresh";
}

TEST_F(FaceplateOperations, NotesWaitWhenTheQueueIsFull) {
  for (uint32_t i = 0; i < 3000; ++i) plugin.pushUiNote(60, i % 2 == 0);
  ASSERT_TRUE(plugin.activate(48000));
  AudioBlock block(32);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(plugin.process(block.process(nullptr, nullptr)), CLAP_PROCESS_CONTINUE);
}

}  // namespace
}  // namespace strobe95
