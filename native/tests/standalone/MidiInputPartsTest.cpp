#include <gtest/gtest.h>

#include <vector>

#include "MidiPortNames.h"
#include "SysexAssembler.h"

namespace strobe95::standalone {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(MidiPortNames, PortsOfOneNameAreToldApartByTheirOrder) {
  const auto ports = nameMidiPorts({{0, "USB MIDI"}, {1, "Keys"}, {2, "USB MIDI"}, {3, "USB MIDI"}, {4, ""}});
  struct Expected {
    const char* id;
    const char* name;
    const char* legacyName;
    uint32_t deviceIndex;
  };
  const Expected expected[] = {{"USB MIDI#1", "USB MIDI", "USB MIDI 0", 0},
                               {"Keys#1", "Keys", "Keys 1", 1},
                               {"USB MIDI#2", "USB MIDI (2)", "USB MIDI 2", 2},
                               {"USB MIDI#3", "USB MIDI (3)", "USB MIDI 3", 3},
                               {"#1", "", " 4", 4}};
  ASSERT_EQ(ports.size(), std::size(expected));
  for (size_t i = 0; i < ports.size(); ++i) {
    EXPECT_EQ(ports[i].id, expected[i].id);
    EXPECT_EQ(ports[i].name, expected[i].name);
    EXPECT_EQ(ports[i].legacyName, expected[i].legacyName);
    EXPECT_EQ(ports[i].deviceIndex, expected[i].deviceIndex);
  }
  // The second of two identical devices keeps its id when another port comes before it.
  const auto later = nameMidiPorts({{0, "Keys"}, {1, "USB MIDI"}, {2, "USB MIDI"}});
  EXPECT_EQ(later[2].id, "USB MIDI#2");
}

class Sysex : public ::testing::Test {
 protected:
  void feed(const Bytes& buffer) { assembler.feed(buffer.data(), buffer.size(), receive); }

  SysexAssembler assembler;
  std::vector<Bytes> received;
  MidiReceive receive = [this](const uint8_t* bytes, size_t length) { received.emplace_back(bytes, bytes + length); };
};

TEST_F(Sysex, AMessageSplitOverBuffersArrivesWholeWithRealTimeBytesAtOnce) {
  feed({0xF0, 0x7E, 0x01});
  feed({0x02, 0xF8, 0x03});  // a clock inside the message goes on at once
  EXPECT_EQ(received, (std::vector<Bytes>{{0xF8}}));
  feed({0x04, 0xF7, 0xFE});
  EXPECT_EQ(received, (std::vector<Bytes>{{0xF8}, {0xF0, 0x7E, 0x01, 0x02, 0x03, 0x04, 0xF7}, {0xFE}}));
}

TEST_F(Sysex, StrayBytesBrokenBuffersAndRestartsNeverReachTheReceiver) {
  feed({0x01, 0x02, 0xF7});  // no message started: nothing
  feed({0xF0, 0x10});
  assembler.clear();  // a broken buffer: the message so far is gone
  feed({0x20, 0xF7});
  feed({0xF0, 0x30, 0xF0, 0x40, 0xF7});  // a new start drops the unfinished message
  EXPECT_EQ(received, (std::vector<Bytes>{{0xF0, 0x40, 0xF7}}));
}

TEST_F(Sysex, AMessageLongerThanTheQueueTakesIsDroppedWholeNeverCut) {
  Bytes longest(SysexAssembler::kLongest, 0x11);
  longest.front() = 0xF0;
  longest.back() = 0xF7;
  for (size_t at = 0; at < longest.size(); at += 4096) {
    feed(Bytes(longest.begin() + long(at), longest.begin() + long(std::min(at + 4096, longest.size()))));
  }
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].size(), SysexAssembler::kLongest);

  Bytes tooLong(SysexAssembler::kLongest + 1, 0x11);
  tooLong.front() = 0xF0;
  tooLong.back() = 0xF7;
  feed(tooLong);
  feed({0xF0, 0x01, 0xF7});  // the next message arrives as usual
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[1], (Bytes{0xF0, 0x01, 0xF7}));
}

}  // namespace
}  // namespace strobe95::standalone
