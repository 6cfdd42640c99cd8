#include <gtest/gtest.h>

#include <vector>

#include "MidiPortNames.h"
#include "MidiStreamParser.h"
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

// A raw MIDI device's byte stream, split anywhere, into the messages the host takes.
TEST(MidiStreamParser, TakesWholeMessagesOutOfAnyStream) {
  struct Case {
    const char* name;
    Bytes stream;
    std::vector<Bytes> messages;
  } cases[] = {
      {"running status", {0x90, 60, 100, 62, 90, 0x80, 60, 0}, {{0x90, 60, 100}, {0x90, 62, 90}, {0x80, 60, 0}}},
      {"two-byte messages", {0xC3, 5, 7, 0xD0, 64}, {{0xC3, 5}, {0xC3, 7}, {0xD0, 64}}},
      {"real time inside a message", {0x90, 0xF8, 60, 0xFE, 100}, {{0xF8}, {0xFE}, {0x90, 60, 100}}},
      {"stray data first", {60, 100, 0x90, 60, 100}, {{0x90, 60, 100}}},
      {"system common ends running status", {0x90, 60, 100, 0xF3, 2, 61, 100}, {{0x90, 60, 100}, {0xF3, 2}}},
      {"song position and tune request", {0xF2, 1, 2, 0xF6}, {{0xF2, 1, 2}, {0xF6}}},
      {"a status cuts a message short", {0x90, 60, 0xB0, 7, 100}, {{0xB0, 7, 100}}},
      {"sysex, then running status is gone", {0x90, 1, 2, 0xF0, 0x7E, 0xF8, 0x01, 0xF7, 3, 4},
       {{0x90, 1, 2}, {0xF8}, {0xF0, 0x7E, 0x01, 0xF7}}},
      {"a sysex cut by a status is dropped", {0xF0, 0x7E, 0x90, 60, 100}, {{0x90, 60, 100}}},
      {"an end without a start", {0xF7, 0x90, 60, 1}, {{0x90, 60, 1}}},
  };
  for (const Case& c : cases) {
    for (size_t split = 0; split <= c.stream.size(); ++split) {
      MidiStreamParser parser;
      std::vector<Bytes> received;
      const MidiReceive receive = [&](const uint8_t* bytes, size_t length) { received.emplace_back(bytes, bytes + length); };
      parser.feed(c.stream.data(), split, receive);
      parser.feed(c.stream.data() + split, c.stream.size() - split, receive);
      EXPECT_EQ(received, c.messages) << c.name << ", split at " << split;
    }
  }
}

TEST(MidiStreamParser, ASysexLongerThanTheQueueTakesIsDroppedWhole) {
  MidiStreamParser parser;
  std::vector<Bytes> received;
  const MidiReceive receive = [&](const uint8_t* bytes, size_t length) { received.emplace_back(bytes, bytes + length); };
  for (size_t length : {MidiStreamParser::kLongest, MidiStreamParser::kLongest + 1}) {
    Bytes sysex(length, 0x11);
    sysex.front() = 0xF0;
    sysex.back() = 0xF7;
    parser.feed(sysex.data(), sysex.size(), receive);
  }
  const Bytes note = {0x90, 60, 100};
  parser.feed(note.data(), note.size(), receive);
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0].size(), MidiStreamParser::kLongest);
  EXPECT_EQ(received[1], note);
}

}  // namespace
}  // namespace strobe95::standalone
