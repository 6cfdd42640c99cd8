// What the Audio/MIDI settings window lists for given devices.
#include <gtest/gtest.h>

#include "MidiPortRows.h"
#include "SettingsLists.h"

namespace strobe95::standalone {
namespace {

AudioDeviceInfo device(std::vector<uint32_t> rates, uint32_t minBuffer = 16, uint32_t maxBuffer = 4096) {
  AudioDeviceInfo d;
  d.rates = std::move(rates);
  d.minBuffer = minBuffer;
  d.maxBuffer = maxBuffer;
  return d;
}

std::vector<std::string> labels(const char* side, uint32_t channels, bool oneEach) {
  std::vector<std::string> out;
  for (const ChannelChoice& c : channelChoices(channels, oneEach)) out.push_back(channelChoiceLabel(side, c));
  return out;
}

TEST(SettingsLists, ChannelChoicesReadAsTheirChannels) {
  using Labels = std::vector<std::string>;
  EXPECT_EQ(labels("Output", 3, false), (Labels{"Output 1 + 2", "Output 3"})) << "pairs, a last odd channel alone";
  EXPECT_EQ(labels("Input", 2, true), (Labels{"Input 1", "Input 2"})) << "a mono-input plugin takes one each";
  EXPECT_EQ(labels("Output", 4, false), (Labels{"Output 1 + 2", "Output 3 + 4"}));
}

TEST(SettingsLists, RepeatedDeviceNamesAreNumberedFromTheSecond) {
  EXPECT_EQ(deviceLabels({"Speakers", "USB", "Speakers", "Speakers"}),
            (std::vector<std::string>{"Speakers", "USB", "Speakers (2)", "Speakers (3)"}));
}

TEST(SettingsLists, BufferItemsAt48kHzGiveTheirMilliseconds) {
  const AudioDeviceInfo out = device({44100, 48000});
  std::vector<std::string> texts;
  for (const auto& item : bufferItems(&out, nullptr, 48000)) texts.push_back(item.label);
  // frames * 1000 / 48000: 0.67, 1.33, 2.67, 5.33, 10.67 ms
  EXPECT_EQ(texts, (std::vector<std::string>{"32 (0.7 ms)", "64 (1.3 ms)", "128 (2.7 ms)", "256 (5.3 ms)",
                                             "512 (10.7 ms)"}));
}

TEST(SettingsLists, BufferSizesStayInsideEveryUsedDevicesRange) {
  const AudioDeviceInfo out = device({48000}, 64, 4096);
  const AudioDeviceInfo in = device({48000}, 16, 256);
  std::vector<uint32_t> frames;
  for (const auto& item : bufferItems(&out, &in, 48000)) frames.push_back(item.frames);
  EXPECT_EQ(frames, (std::vector<uint32_t>{64, 128, 256}));
}

TEST(SettingsLists, RatesAreThoseBothDevicesOffer) {
  const AudioDeviceInfo out = device({44100, 48000, 96000});
  const AudioDeviceInfo in = device({48000, 96000, 192000});
  const AudioDeviceInfo other = device({22050});
  struct Case {
    const AudioDeviceInfo* output;
    const AudioDeviceInfo* input;
    uint32_t current;
    std::vector<uint32_t> rates;
    uint32_t selected;
    const char* why;
  };
  const Case cases[] = {
      {&out, &in, 96000, {48000, 96000}, 96000, "the running rate stays chosen"},
      {&out, &in, 22050, {48000, 96000}, 48000, "not listed: 44100 is missing too, 48000 is next"},
      {&out, nullptr, 0, {44100, 48000, 96000}, 44100, "one side only: its own rates"},
      {&out, &other, 48000, {}, 0, "nothing in common"},
  };
  for (const Case& c : cases) {
    const auto rates = commonRates(c.output, c.input);
    EXPECT_EQ(rates, c.rates) << c.why;
    EXPECT_EQ(selectedRate(rates, c.current), c.selected) << c.why;
  }
}

TEST(SettingsLists, TheInputNoteWarnsOfMicrophonesAndBluetooth) {
  AudioDeviceInfo headset;
  headset.isBluetooth = true;
  AudioDeviceInfo microphone;
  microphone.isMicrophone = true;
  AudioDeviceInfo line;
  EXPECT_NE(inputNote(&headset, true, &microphone).find("telephone quality"), std::string::npos);
  EXPECT_EQ(inputNote(nullptr, true, &microphone), "The default input is a microphone, which is opened only when chosen here.");
  EXPECT_EQ(inputNote(nullptr, false, &microphone), "") << "a plugin without inputs has no use for one";
  EXPECT_EQ(inputNote(&line, true, &microphone), "");
}

TEST(SettingsLists, TheLatencyLineNamesTheOpenSides) {
  StreamResult stream;
  stream.sampleRate = 48000;
  stream.inputLatency = 256;
  stream.outputLatency = 512;
  EXPECT_EQ(latencyLine(stream, true), "Latency: in 5.3 ms, out 10.7 ms");
  EXPECT_EQ(latencyLine(stream, false), "Latency: out 10.7 ms");
}

// The MIDI list as the window shows it, and what OK makes of its check marks. The record
// starts as: a plain name "Pads", and pairs for a present keyboard and an unplugged one.
TEST(SettingsLists, MidiRowsKeepEveryStoredEntryUntilItIsUnchecked) {
  const std::vector<MidiPortInfo> ports = {{"Keys#1", "Keys", "", 0}, {"Pads#1", "Pads", "", 1}, {"Drums#1", "Drums", "", 2}};
  const std::vector<std::string> names = {"Pads", "Old Synth"};
  const std::vector<StoredPort> pairs = {{"Keys#1", "Keys"}, {"Travel#3", "Travel Keys"}, {"", ""}};
  const auto rows = midiPortRows(ports, names, pairs, false);
  std::vector<std::string> shown;
  std::vector<bool> marks;
  for (const MidiPortRow& row : rows) {
    shown.push_back(row.label);
    marks.push_back(row.checked);
  }
  EXPECT_EQ(shown, (std::vector<std::string>{"Keys", "Pads", "Drums", "Old Synth (not connected)",
                                             "Travel Keys (not connected)"}))
      << "absent entries of both kinds are listed after the ports; an empty entry is not";
  EXPECT_EQ(marks, (std::vector<bool>{true, true, false, true, true}));

  struct Case {
    const char* what;
    std::vector<bool> checked;
    MidiSelection expected;
  };
  const Case cases[] = {
      {"OK as shown keeps the unplugged keyboard and the unmatched name",
       marks,
       {{"Old Synth"}, {{"Keys#1", "Keys"}, {"Pads#1", "Pads"}, {"Travel#3", "Travel Keys"}}, {"Keys#1", "Pads#1"}}},
      {"unchecking only the unplugged keyboard forgets it",
       {true, true, false, true, false},
       {{"Old Synth"}, {{"Keys#1", "Keys"}, {"Pads#1", "Pads"}}, {"Keys#1", "Pads#1"}}},
      {"unchecking the plain name leaves the pairs",
       {true, true, true, false, true},
       {{}, {{"Keys#1", "Keys"}, {"Pads#1", "Pads"}, {"Drums#1", "Drums"}, {"Travel#3", "Travel Keys"}},
        {"Keys#1", "Pads#1", "Drums#1"}}},
      {"nothing checked stores nothing", {false, false, false, false, false}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(midiSelection(rows, c.checked), c.expected) << c.what;
}

TEST(SettingsLists, MidiRowsWhenEveryPortIsBound) {
  const std::vector<MidiPortInfo> ports = {{"Keys#1", "Keys", "", 0}, {"Pads#1", "Pads", "", 1}};
  const auto rows = midiPortRows(ports, {}, {{"Gone#1", "Gone"}, {"Id only", ""}}, true);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_TRUE(rows[0].checked && rows[1].checked) << "every present port is open";
  EXPECT_EQ(rows[3].label, "Id only (not connected)") << "an entry without a name shows its id";
  EXPECT_TRUE(midiPortRows({}, {}, {}, true).empty()) << "no ports and nothing stored: the empty-list note";
}

}  // namespace
}  // namespace strobe95::standalone
