#include <gtest/gtest.h>

#include "DemoPhrase.h"
#include "MidiFile.h"

namespace strobe95::tools {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes header(uint16_t format, uint16_t tracks, uint16_t division) {
  return {'M', 'T', 'h', 'd', 0, 0, 0, 6, uint8_t(format >> 8), uint8_t(format), uint8_t(tracks >> 8),
          uint8_t(tracks), uint8_t(division >> 8), uint8_t(division)};
}

Bytes track(const Bytes& events) {
  const auto n = uint32_t(events.size());
  Bytes bytes = {'M', 'T', 'r', 'k', uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)};
  bytes.resize(8 + events.size());
  std::copy(events.begin(), events.end(), bytes.begin() + 8);
  return bytes;
}

Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

TEST(MidiFile, ReadsNotesTempoAndRunningStatus) {
  // 96 ticks a beat; tempo 500000 us a beat is 120 BPM; delta 0x81 0x40 is 192 ticks.
  const Bytes file = concat({header(0, 1, 96),
                             track({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,   // tempo
                                    0x00, 0x90, 60, 100,                          // C4 on
                                    0x60, 64, 90,                                 // running status: E4 on after a beat
                                    0x81, 0x40, 60, 0,                            // C4 velocity 0, two beats later
                                    0x00, 0xB0, 7, 100,                           // a controller: skipped
                                    0x00, 0xC0, 5,                                // one data byte
                                    0x00, 0x80, 64, 0,
                                    0x00, 0xFF, 0x2F, 0x00})});
  const auto parsed = parseMidiFile(file);
  ASSERT_TRUE(std::holds_alternative<MidiSong>(parsed)) << std::get<std::string>(parsed);
  const MidiSong& song = std::get<MidiSong>(parsed);
  ASSERT_TRUE(song.tempo.has_value());
  EXPECT_DOUBLE_EQ(*song.tempo, 120.0);
  ASSERT_EQ(song.notes.size(), 4u);
  EXPECT_EQ(song.notes[0].beat, 0.0);
  EXPECT_EQ(song.notes[1].beat, 1.0);
  EXPECT_EQ(song.notes[1].key, 64);
  EXPECT_EQ(song.notes[1].status, 0x90);
  EXPECT_EQ(song.notes[2].beat, 3.0);
  EXPECT_EQ(song.notes[2].velocity, 0);
  EXPECT_EQ(song.notes[3].status, 0x80);
  EXPECT_EQ(song.lengthBeats, 3.0);
}

TEST(MidiFile, MergesTheTracksOfFormatOneInTimeOrder) {
  const Bytes file = concat({header(1, 2, 480), track({0x83, 0x60, 0x91, 48, 80, 0x00, 0xFF, 0x2F, 0x00}),
                             track({0x00, 0x92, 72, 80, 0x87, 0x40, 0x82, 72, 0})});
  const auto parsed = parseMidiFile(file);
  ASSERT_TRUE(std::holds_alternative<MidiSong>(parsed)) << std::get<std::string>(parsed);
  const MidiSong& song = std::get<MidiSong>(parsed);
  ASSERT_EQ(song.notes.size(), 3u);
  EXPECT_EQ(song.notes[0].key, 72);
  EXPECT_EQ(song.notes[1].key, 48);
  EXPECT_EQ(song.notes[1].beat, 1.0);  // 0x83 0x60 is 480 ticks
  EXPECT_EQ(song.notes[2].beat, 2.0);
  EXPECT_FALSE(song.tempo.has_value());
}

TEST(MidiFile, ExplainsWhatIsWrong) {
  struct Case {
    Bytes bytes;
    const char* says;
  };
  const Case cases[] = {
      {{}, "not a Standard MIDI File"},
      {{'R', 'I', 'F', 'F', 0, 0, 0, 6}, "not a Standard MIDI File"},
      {{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0}, "header is truncated"},
      {concat({header(2, 1, 96), track({})}), "format 2 is not supported"},
      {concat({header(0, 1, 0xE728), track({})}), "SMPTE"},
      {concat({header(0, 1, 0), track({})}), "division is zero"},
      {header(0, 1, 96), "track 1 is missing"},
      {concat({header(0, 1, 96), Bytes{'M', 'T', 'r', 'k', 0, 0, 1, 0, 0x00}}), "track 1 is truncated"},
      {concat({header(0, 1, 96), track({0x00, 0x90, 60})}), "ends inside a message"},
      {concat({header(0, 1, 96), track({0xFF, 0xFF, 0xFF, 0xFF, 0x7F})}), "event time"},
      {concat({header(0, 1, 96), track({0x00, 0xFF, 0x51, 0x09, 0x07})}), "meta event runs past"},
      {concat({header(0, 1, 96), track({0x00, 0xF0, 0x05, 0x01})}), "system exclusive"},
      {concat({header(0, 1, 96), track({0x00, 60, 100})}), "no status byte"},
      {concat({header(1, 2, 96), track({0x00, 0xFF, 0x2F, 0x00})}), "track 2 is missing"},
  };
  for (const Case& c : cases) {
    const auto parsed = parseMidiFile(c.bytes);
    ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << c.says;
    EXPECT_NE(std::get<std::string>(parsed).find(c.says), std::string::npos) << std::get<std::string>(parsed);
  }
}

TEST(DemoPhrase, EveryNoteEndsAndTheTimelineIsOrdered) {
  const MidiSong song = demoPhrase();
  int held = 0;
  double last = 0;
  for (const MidiNote& note : song.notes) {
    EXPECT_GE(note.beat, last);
    last = note.beat;
    held += (note.status & 0xF0) == 0x90 ? 1 : -1;
    EXPECT_GE(held, 0);
  }
  EXPECT_EQ(held, 0);
  EXPECT_LE(last, song.lengthBeats);
}

}  // namespace
}  // namespace strobe95::tools
