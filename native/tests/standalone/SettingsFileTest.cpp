// The settings file on disk: read at creation, written whole or not at all, and never a
// reason for the program to stop.
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
}

TEST_F(SettingsFile, AFailedWriteLeavesTheOldFileAndNoTemporaryFile) {
  ASSERT_NE(create(), nullptr);
  host().settings().outputDeviceName = "Old";
  ASSERT_TRUE(host().saveSettings());
  const std::string before = readFile(settingsFile(settingsDirectory()));
  // A directory squatting on the name the temporary file would take makes the write fail.
  const fs::path squatter = settingsFile(settingsDirectory()).string() + ".tmp";
  fs::create_directory(squatter);
  host().settings().outputDeviceName = "New";
  EXPECT_FALSE(host().saveSettings());
  EXPECT_EQ(readFile(settingsFile(settingsDirectory())), before);
  fs::remove(squatter);
  ASSERT_TRUE(host().saveSettings());
  EXPECT_NE(readFile(settingsFile(settingsDirectory())).find("outputDeviceName=New\n"), std::string::npos);
  for (const auto& entry : fs::directory_iterator(settingsDirectory())) {
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
  }
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
