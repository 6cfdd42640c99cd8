// The settings file on disk: read at creation, written whole or not at all, and never a
// reason for the program to stop.
#include <algorithm>
#include <random>

#include "HostFixture.h"
#include "SettingsText.h"

namespace strobe95::standalone::test {
namespace {

using SettingsFile = HostFixture;

fs::path settingsFile(const fs::path& directory) { return directory / "standalone-settings.conf"; }

TEST_F(SettingsFile, AWrittenFileReadsBackTheSameRecord) {
  ASSERT_NE(create(), nullptr);
  host().settings().outputDeviceName = "Speakers\\Main\t1";
  host().settings().window = WindowPlacement{10, 20, 640, 480};
  ASSERT_TRUE(host().saveSettings());
  const StandaloneSettings written = host().settings();
  host().settings() = {};
  ASSERT_TRUE(host().loadSettings());
  EXPECT_EQ(host().settings(), written);
  EXPECT_EQ(readFile(settingsFile(settingsDirectory())), formatSettings(written));
}

TEST_F(SettingsFile, SavingCopiesTheRunningApiAndBufferSize) {
  audio->devices = {scriptedDevice("out-1", "Speakers", 0, 2)};
  ASSERT_NE(create(), nullptr);
  host().selectAudioApi("");
  host().audioChoice().bufferSize = 128;
  ASSERT_TRUE(host().saveSettings());
  const std::string text = readFile(settingsFile(settingsDirectory()));
  EXPECT_NE(text.find("audioApiName=scripted\n"), std::string::npos);
  EXPECT_NE(text.find("bufferSize=128\n"), std::string::npos);

  // A size the settings window only tries stays out of the file, whatever saves it
  // meanwhile (a window move, closing the program); the trial's end lets it through.
  host().setTryingChoices(true);
  host().audioChoice().bufferSize = 512;
  ASSERT_TRUE(host().saveSettings());
  EXPECT_NE(readFile(settingsFile(settingsDirectory())).find("bufferSize=128\n"), std::string::npos);
  host().setTryingChoices(false);
  ASSERT_TRUE(host().saveSettings());
  EXPECT_NE(readFile(settingsFile(settingsDirectory())).find("bufferSize=512\n"), std::string::npos);
}

TEST(SettingsRecord, AWindowPlacementIsKeptOnlyWithAnArea) {
  const WindowPlacement stored{10, 20, 640, 480};
  const std::pair<WindowPlacement, WindowPlacement> cases[] = {
      {{30, 40, 800, 600}, {30, 40, 800, 600}},
      {{30, 40, 0, 600}, stored},
      {{30, 40, 800, 0}, stored},
      {{-32000, -32000, 0, 0}, stored},  // where a minimised window reports itself
  };
  for (const auto& [offered, kept] : cases) {
    StandaloneSettings settings;
    settings.window = stored;
    storeWindowPlacement(settings, offered);
    EXPECT_EQ(settings.window, kept) << offered.width << "x" << offered.height;
  }
}

TEST_F(SettingsFile, SavesLeaveTheUsersFilesBesideItAlone) {
  ASSERT_NE(create(), nullptr);
  const fs::path file = settingsFile(settingsDirectory());
  fs::create_directories(settingsDirectory());
  writeFile(file.string() + ".tmp", "a user's own file");
  host().settings().outputDeviceName = "New";
  ASSERT_TRUE(host().saveSettings());
  EXPECT_NE(readFile(file).find("outputDeviceName=New\n"), std::string::npos);
  EXPECT_EQ(readFile(file.string() + ".tmp"), "a user's own file");
  // A directory where the file belongs: the rename fails, reported as false, and the
  // temporary file goes with it.
  fs::remove(file);
  fs::create_directory(file);
  EXPECT_FALSE(host().saveSettings());
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(settingsDirectory())) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"defaults.clapstate", "standalone-settings.conf",
                                             "standalone-settings.conf.tmp"}));
}

TEST_F(SettingsFile, RandomBytesReadAsSomeRecordAndAreReplacedWhole) {
  fs::create_directories(settingsDirectory());
  std::mt19937 random(95);
  std::string noise(20000, '\0');
  for (auto& c : noise) c = char(random() % 256);
  writeFile(settingsFile(settingsDirectory()), noise);
  ASSERT_NE(create(), nullptr);
  ASSERT_TRUE(host().saveSettings());
  EXPECT_EQ(readFile(settingsFile(settingsDirectory())), formatSettings(host().settings()));
}

TEST_F(SettingsFile, AnOversizedFileIsReadUpToItsLimitAtALineEnd) {
  fs::create_directories(settingsDirectory());
  // A megabyte of one value, then a key past the limit: the cut line and what follows are left out.
  std::string text = "bufferSize=64\noutputDeviceName=" + std::string((1 << 20) + 10, 'x') + "\nsampleRate=44100\n";
  writeFile(settingsFile(settingsDirectory()), text);
  ASSERT_NE(create(), nullptr);
  EXPECT_EQ(host().settings().bufferSize, 64u);
  EXPECT_EQ(host().settings().outputDeviceName, "");
  EXPECT_EQ(host().settings().sampleRate, 0);
}

TEST_F(SettingsFile, AMissingFileLeavesTheDefaults) {
  ASSERT_NE(create(), nullptr);
  EXPECT_FALSE(host().loadSettings());
  EXPECT_EQ(host().settings(), StandaloneSettings{});
}

TEST_F(SettingsFile, ReadingAppliesTheAppearanceUnlessTheWindowChoseOne) {
  fs::create_directories(settingsDirectory());
  writeFile(settingsFile(settingsDirectory()), "screenAppearance=dark\n");
  ASSERT_NE(create(), nullptr);
  EXPECT_EQ(host().screenAppearance(), kAppearanceDark);
  int changes = 0;
  host().callbacks.appearanceChanged = [&] { ++changes; };
  EXPECT_FALSE(host().setScreenAppearance(3, true));
  EXPECT_TRUE(host().setScreenAppearance(kAppearanceLight, true));
  EXPECT_EQ(changes, 1);
  ASSERT_TRUE(host().loadSettings());
  EXPECT_EQ(host().screenAppearance(), kAppearanceLight) << "the window's choice stands";
}

TEST_F(SettingsFile, PersistenceIsStoredAndSaved) {
  ASSERT_NE(create(), nullptr);
  EXPECT_EQ(host().pluginStatePersistence(), kPersistSession);
  EXPECT_FALSE(host().setPluginStatePersistence(2));
  EXPECT_FALSE(host().setPluginStatePersistence(-1));
  EXPECT_TRUE(host().setPluginStatePersistence(kPersistNone));
  EXPECT_NE(readFile(settingsFile(settingsDirectory())).find("pluginStatePersistence=none\n"), std::string::npos);
}

}  // namespace
}  // namespace strobe95::standalone::test
