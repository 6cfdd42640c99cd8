// The settings file's text: what each key reads as, what is written, and that any text
// at all reads without harm.
#include <gtest/gtest.h>

#include <random>

#include "SettingsText.h"

namespace strobe95::standalone {
namespace {

constexpr const char* kHeader =
    "# Standalone host settings.\n"
    "# Audio devices and MIDI ports are matched by id, then by name, when the standalone\n"
    "# starts. An unmatched one falls back to the system default for that run, and is kept.\n";

TEST(SettingsText, DefaultsAreWrittenInKeyOrderAfterTheHeader) {
  const std::string expected = std::string(kHeader) +
                               "version=1\n"
                               "audioApiName=\n"
                               "outputDeviceId=\n"
                               "outputDeviceName=\n"
                               "inputDeviceId=\n"
                               "inputDeviceName=\n"
                               "audioOutputUsed=true\n"
                               "audioInputUsed=true\n"
                               "sampleRate=0\n"
                               "outputFirstChannel=0\n"
                               "inputFirstChannel=0\n"
                               "bufferSize=256\n"
                               "midiBindAllPorts=true\n"
                               "midiVirtualInput=false\n"
                               "midiVirtualOutput=false\n"
                               "screenAppearance=auto\n";
  EXPECT_EQ(formatSettings({}), expected);
}

TEST(SettingsText, ListsPairsPersistenceAndWindowAreWrittenInTheirPlaces) {
  StandaloneSettings s;
  s.midiBindAllPorts = false;
  s.midiPorts = {"Keys"};
  s.midiPortIds = {{"Keys#2", "Keys (2)"}};
  s.midiOutputPorts = {"Synth"};
  s.midiOutputPortIds = {{"Synth#1", "Synth"}};
  s.screenAppearance = kAppearanceDark;
  s.pluginStatePersistence = kPersistNone;
  s.window = WindowPlacement{-20, 40, 800, 600};
  s.sampleRate = -1;
  const std::string text = formatSettings(s);
  const std::string tail =
      "midiBindAllPorts=false\n"
      "midiPort=Keys\n"
      "midiPortId=Keys#2\\tKeys (2)\n"  // the tab between id and name is escaped like any other
      "midiOutputPort=Synth\n"
      "midiOutputPortId=Synth#1\\tSynth\n"
      "midiVirtualInput=false\n"
      "midiVirtualOutput=false\n"
      "screenAppearance=dark\n"
      "pluginStatePersistence=none\n"
      "windowX=-20\n"
      "windowY=40\n"
      "windowWidth=800\n"
      "windowHeight=600\n";
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
  EXPECT_NE(text.find("sampleRate=-1\n"), std::string::npos);
  EXPECT_EQ(parseSettings(text), s);
}

TEST(SettingsText, EveryRecordSurvivesAWriteAndARead) {
  StandaloneSettings s;
  s.audioApiName = "wasapi";
  s.outputDeviceId = "{0.0.0.00000000}.{a\\b}";
  s.outputDeviceName = "Speakers\t(Tab)\nNew line\rReturn \\ back";
  s.inputDeviceId = "in";
  s.inputDeviceName = "Line In";
  s.audioInputUsed = false;
  s.sampleRate = 44100;
  s.outputFirstChannel = 3;
  s.inputFirstChannel = 2;
  s.bufferSize = 128;
  s.midiPortIds = {{"id\\with back", "name\twith\ttabs\nline"}, {"only id", ""}};  // an id holds no tab
  s.midiVirtualOutput = true;
  s.screenAppearance = kAppearanceLight;
  s.pluginStatePersistence = kPersistSession;
  EXPECT_EQ(parseSettings(formatSettings(s)), s);
}

struct KeyCase {
  const char* line;
  std::function<bool(const StandaloneSettings&)> holds;
  const char* why;
};

TEST(SettingsText, ValuesReadByTheirKeysRules) {
  const KeyCase cases[] = {
      {"audioInputUsed=yes", [](auto& s) { return s.audioInputUsed; }, "yes is true"},
      {"audioInputUsed=1", [](auto& s) { return s.audioInputUsed; }, "1 is true"},
      {"audioInputUsed=TRUE", [](auto& s) { return !s.audioInputUsed; }, "only lower case true counts"},
      {"audioOutputUsed=no", [](auto& s) { return !s.audioOutputUsed; }, "anything else is false"},
      {"  bufferSize  =  512  ", [](auto& s) { return s.bufferSize == 512; }, "key and value are trimmed"},
      {"\tbufferSize\t=\t64\r", [](auto& s) { return s.bufferSize == 64; }, "tabs and a CR are trimmed too"},
      {"bufferSize=12ms", [](auto& s) { return s.bufferSize == 12; }, "the leading number counts"},
      {"bufferSize=ms", [](auto& s) { return s.bufferSize == 0; }, "no number reads as 0"},
      {"bufferSize=-5", [](auto& s) { return s.bufferSize == 0; }, "an unsigned field holds no sign"},
      {"bufferSize=99999999999999999999999", [](auto& s) { return s.bufferSize == 4294967295u; },
       "too many digits hold the field's largest value"},
      {"sampleRate=+48000", [](auto& s) { return s.sampleRate == 48000; }, "a plus sign is allowed"},
      {"sampleRate=-99999999999", [](auto& s) { return s.sampleRate == INT32_MIN; }, "signed fields hold at their end"},
      {"screenAppearance=Dark", [](auto& s) { return s.screenAppearance == kAppearanceAuto; }, "case matters"},
      {"screenAppearance=light", [](auto& s) { return s.screenAppearance == kAppearanceLight; }, ""},
      {"pluginStatePersistence=None",
       [](auto& s) { return s.pluginStatePersistence == kPersistSession; }, "case matters; it is present"},
      {"pluginStatePersistence=none", [](auto& s) { return s.pluginStatePersistence == kPersistNone; }, ""},
      {"windowY=7", [](auto& s) { return s.window && s.window->y == 7 && s.window->width == 0; },
       "one window key makes the placement present"},
      {"midiPortId=abc", [](auto& s) { return s.midiPortIds == std::vector<StoredPort>{{"abc", ""}}; },
       "a pair without a tab is all id"},
      {"midiPortId=a\\tb\\tc", [](auto& s) { return s.midiPortIds == std::vector<StoredPort>{{"a", "b\tc"}}; },
       "split at the first tab"},
      {"outputDeviceName=a\\qb\\", [](auto& s) { return s.outputDeviceName == "a\\qb\\"; },
       "unknown escapes and a last backslash stay"},
      {"outputDeviceName=x=y", [](auto& s) { return s.outputDeviceName == "x=y"; }, "split at the first ="},
      {"BufferSize=32", [](auto& s) { return s.bufferSize == 256; }, "keys are case-sensitive"},
      {"bufferSize 32", [](auto& s) { return s.bufferSize == 256; }, "a line without = is skipped"},
      {"#bufferSize=32", [](auto& s) { return s.bufferSize == 256; }, "comments are skipped"},
      {"version=7", [](auto& s) { return s.version == 7; }, "the version is kept"},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(c.holds(parseSettings(c.line))) << c.line << ": " << c.why;
  }
}

TEST(SettingsText, WithoutAnyMidiInputKeyEveryInputIsBound) {
  EXPECT_TRUE(parseSettings("midiOutputPort=x\n").midiBindAllPorts);
  EXPECT_FALSE(parseSettings("midiBindAllPorts=false\n").midiBindAllPorts);
  const auto s = parseSettings("midiPort=Keys\n");
  EXPECT_TRUE(s.midiBindAllPorts) << "the default holds; the lists are kept";
  EXPECT_EQ(s.midiPorts, std::vector<std::string>{"Keys"});
}

TEST(SettingsText, RepeatedKeysAppendListsAndOverwriteValues) {
  const auto s = parseSettings("midiPort=A\nbufferSize=64\nmidiPort=B\nbufferSize=128\n");
  EXPECT_EQ(s.midiPorts, (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(s.bufferSize, 128u);
}

TEST(SettingsText, WithoutWindowKeysThePlacementStaysAbsent) {
  StandaloneSettings s;
  const std::string text = formatSettings(s);
  EXPECT_EQ(text.find("window"), std::string::npos);
  EXPECT_FALSE(parseSettings(text).window.has_value());
}

TEST(SettingsText, AnyBytesReadWithoutHarm) {
  std::mt19937 random(2026);
  for (int round = 0; round < 300; ++round) {
    std::string text(random() % 4096, '\0');
    for (auto& c : text) c = char(random() % 256);
    // Sprinkle real keys in, so the values' readers see garbage too.
    for (const char* key : {"\nbufferSize=", "\nmidiPortId=", "\nwindowX=", "\nsampleRate=\\"}) {
      text.insert(random() % (text.size() + 1), key);
    }
    const StandaloneSettings s = parseSettings(text);
    EXPECT_EQ(parseSettings(formatSettings(s)), s);
  }
}

TEST(SettingsText, AnOverlongLineAndNumberAreReadWhole) {
  const std::string name(1 << 20, 'n');
  const auto s = parseSettings("outputDeviceName=" + name + "\nbufferSize=" + std::string(100000, '9') + "\n");
  EXPECT_EQ(s.outputDeviceName, name);
  EXPECT_EQ(s.bufferSize, 4294967295u);
}

}  // namespace
}  // namespace strobe95::standalone
