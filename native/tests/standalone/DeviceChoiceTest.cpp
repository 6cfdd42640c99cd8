// How stored choices find their devices, ports, channels and rates again.
#include <gtest/gtest.h>

#include "DeviceChoice.h"

namespace strobe95::standalone {
namespace {

AudioDeviceInfo output(std::string id, std::string name, uint32_t channels = 2) {
  AudioDeviceInfo d;
  d.id = std::move(id);
  d.name = std::move(name);
  d.legacyName = d.name;
  d.outputChannels = channels;
  d.rates = {44100, 48000};
  d.currentRate = 48000;
  return d;
}

TEST(DeviceChoice, StoredDevicesAreFoundByIdThenName) {
  std::vector<AudioDeviceInfo> devices = {output("A", "Speakers"), output("B", "Headphones"),
                                          output("C", "Monitor")};
  devices.push_back(output("D", "Mic"));
  devices.back().outputChannels = 0;
  devices.back().inputChannels = 1;
  struct Case {
    const char* id;
    const char* name;
    const char* found;  // nullptr: none
    const char* why;
  } cases[] = {
      {"B", "Headphones", "B", "id and name agree"},
      {"B", "", "B", "an empty stored name accepts the id's device"},
      {"A", "Headphones", "B", "the id now belongs to a device with another name: the name wins"},
      {"A", "Gone", "A", "a name that finds nothing leaves the id's device"},
      {"X", "Monitor", "C", "an unknown id falls to the name"},
      {"Speakers", "", "A", "a stored id may be a legacy or display name"},
      {"X", "Gone", nullptr, "nothing matches: the caller takes the default"},
      {"D", "Mic", nullptr, "a device without outputs is no output"},
  };
  for (const auto& c : cases) {
    const AudioDeviceInfo* d = findStoredDevice(devices, DeviceSide::Output, c.id, c.name);
    if (c.found) {
      ASSERT_NE(d, nullptr) << c.why;
      EXPECT_EQ(d->id, c.found) << c.why;
    } else {
      EXPECT_EQ(d, nullptr) << c.why;
    }
  }
}

TEST(DeviceChoice, IdsAreComparedBeforeNamesAcrossAllDevices) {
  // "Two" is a display name of the first device and the id of the second: ids come first.
  const std::vector<AudioDeviceInfo> devices = {output("One", "Two"), output("Two", "Other")};
  EXPECT_EQ(findStoredDevice(devices, DeviceSide::Output, "Two", "")->id, "Two");
}

TEST(DeviceChoice, PreferredRates) {
  AudioDeviceInfo d = output("A", "A");
  struct Case {
    std::vector<uint32_t> rates;
    uint32_t current;
    bool settable;
    int64_t requested;
    uint32_t expected;
    const char* why;
  } cases[] = {
      {{44100, 48000}, 48000, true, 44100, 44100, "a listed rate is taken"},
      {{44100, 48000}, 48000, true, 0, 48000, "0: the device's own"},
      {{44100, 48000}, 48000, true, 22050, 48000, "an unlisted rate: the device's own"},
      {{44100, 48000}, 48000, false, 44100, 48000, "a fixed rate wins"},
      {{44100, 96000, 192000}, 0, true, 0, 44100, "no current rate: the highest up to 48 kHz"},
      {{96000, 192000}, 0, true, 0, 96000, "none that low: the first"},
      {{}, 0, true, 48000, 0, "nothing known"},
  };
  for (const auto& c : cases) {
    d.rates = c.rates;
    d.currentRate = c.current;
    d.rateSettable = c.settable;
    EXPECT_EQ(preferredRate(d, c.requested), c.expected) << c.why;
  }
}

TEST(DeviceChoice, ChannelChoicesArePairsOrSingles) {
  using V = std::vector<ChannelChoice>;
  EXPECT_EQ(channelChoices(3, false), (V{{0, 2}, {2, 1}})) << "three outputs: 1 + 2, then 3 alone";
  EXPECT_EQ(channelChoices(2, true), (V{{0, 1}, {1, 1}})) << "a mono input takes one channel each";
  EXPECT_EQ(channelChoices(0, false), V{});
  EXPECT_EQ(storedChannelChoice(4, false, 3), (ChannelChoice{2, 2})) << "stored 3 starts at channel 3";
  EXPECT_EQ(storedChannelChoice(4, false, 2), (ChannelChoice{0, 2})) << "no choice starts at 2: the first";
  EXPECT_EQ(storedChannelChoice(4, false, 0), (ChannelChoice{0, 2}));
  EXPECT_EQ(storedChannelChoice(0, false, 1), (ChannelChoice{0, 1})) << "at least one channel is asked for";
}

TEST(DeviceChoice, MidiPortsAreFoundByIdThenNameOncePerPort) {
  const std::vector<MidiPortInfo> ports = {
      {"Keys#1", "Keys", "Keys 0", 0}, {"Keys#2", "Keys (2)", "Keys 1", 1}, {"Pads#1", "Pads", "Pads 2", 2}};
  EXPECT_EQ(resolveMidiPorts(ports, {}, {{"Keys#2", "Keys (2)"}}), std::vector<std::string>{"Keys#2"})
      << "the second of two identical devices is found again by its id";
  EXPECT_EQ(resolveMidiPorts(ports, {"Keys", "Keys"}, {}), (std::vector<std::string>{"Keys#1"}))
      << "a port is taken once; the second name finds no other port called Keys";
  EXPECT_EQ(resolveMidiPorts(ports, {"Pads 2"}, {}), std::vector<std::string>{"Pads#1"}) << "legacy names match";
  EXPECT_EQ(resolveMidiPorts(ports, {}, {{"Gone#1", "Pads"}}), std::vector<std::string>{"Pads#1"})
      << "an unknown id falls to the name";
  EXPECT_TRUE(resolveMidiPorts(ports, {"Gone"}, {{"Gone#1", ""}}).empty());
}

TEST(DeviceChoice, ShortMidiMessageLengths) {
  const std::pair<uint8_t, uint32_t> cases[] = {{0x00, 0}, {0x7F, 0}, {0x80, 3}, {0xBF, 3}, {0xC0, 2}, {0xDF, 2},
                                                {0xE0, 3}, {0xF0, 0}, {0xF1, 2}, {0xF2, 3}, {0xF3, 2}, {0xF6, 1},
                                                {0xF7, 0}, {0xF8, 1}, {0xFF, 1}};
  for (const auto& [status, length] : cases) EXPECT_EQ(midiMessageLength(status), length) << int(status);
}

}  // namespace
}  // namespace strobe95::standalone
