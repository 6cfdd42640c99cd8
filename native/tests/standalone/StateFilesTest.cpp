// State files hold exactly the plugin's saved bytes; a save replaces the file whole or
// not at all, and a file the plugin cannot use never harms it.
#include <map>

#include "AtomicFile.h"
#include "HostFixture.h"

namespace strobe95::standalone::test {
namespace {

class StateFiles : public HostFixture {
 protected:
  void SetUp() override {
    HostFixture::SetUp();
    plugin = create();
    ASSERT_NE(plugin, nullptr);
    folder = base / "states";
    fs::create_directories(folder);
  }
  std::shared_ptr<Clap::Plugin> plugin;
  fs::path folder;
};

TEST_F(StateFiles, SaveWritesThePluginsBytesExactly) {
  ASSERT_TRUE(host().saveState(folder, "a.clapstate"));
  const std::string bytes = readFile(folder / "a.clapstate");
  EXPECT_EQ(bytes, readFile(settingsDirectory() / "defaults.clapstate"));
  EXPECT_EQ(bytes.rfind("STROBE-95 0.5.1\npreset \nedited 0\n", 0), 0u);
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\r'), 0) << "binary: no line-end translation";
}

TEST_F(StateFiles, LoadAndSaveRoundTrip) {
  const std::string defaults = readFile(settingsDirectory() / "defaults.clapstate");
  std::string edited = defaults;
  edited.replace(edited.find("preset \n"), 8, "preset Hoover Lead\n");
  writeFile(folder / "b.clapstate", edited);
  ASSERT_TRUE(host().loadState(folder, "b.clapstate"));
  ASSERT_TRUE(host().saveState(folder, "c.clapstate"));
  EXPECT_EQ(readFile(folder / "c.clapstate"), edited);
  ASSERT_TRUE(host().loadState(settingsDirectory(), "defaults.clapstate")) << "reset state";
  ASSERT_TRUE(host().saveState(folder, "d.clapstate"));
  EXPECT_EQ(readFile(folder / "d.clapstate"), defaults);
}

TEST_F(StateFiles, ForeignTruncatedAndEmptyFilesLeaveThePluginWorking) {
  const std::string defaults = readFile(settingsDirectory() / "defaults.clapstate");
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"foreign", "<?xml version=\"1.0\"?><preset/>"},
      {"binary", std::string("\0\xff\x01STROBE", 9)},
      {"truncated header", "STROBE"},
      {"truncated value", defaults.substr(0, defaults.find("\ncutoff ") + 9)},
  };
  for (const auto& c : cases) {
    writeFile(folder / "x.clapstate", c.bytes);
    EXPECT_NO_THROW(host().loadState(folder, "x.clapstate")) << c.name;
    ASSERT_TRUE(host().saveState(folder, "after.clapstate")) << c.name;
    EXPECT_EQ(readFile(folder / "after.clapstate").rfind("STROBE-95 0.5.1\n", 0), 0u) << c.name;
  }
}

TEST_F(StateFiles, AnOversizedFileIsRefusedWithAReason) {
  writeFile(folder / "huge.clapstate", "STROBE-95 0.5.1\npreset " + std::string(3 << 20, 'x') + "\n");
  try {
    host().loadState(folder, "huge.clapstate");
    FAIL() << "a state the plugin refuses is not reported as loaded";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find("huge.clapstate"), std::string::npos) << error.what();
  }
}

TEST_F(StateFiles, FilesThatCannotBeOpenedSayWhy) {
  EXPECT_THROW(host().loadState(folder, "missing.clapstate"), fs::filesystem_error);
  try {
    host().saveState(fs::path("/proc/self"), "x.clapstate");
    FAIL() << "a save that cannot happen is not silent";
  } catch (const fs::filesystem_error& error) {
    EXPECT_NE(std::string(error.what()).find("x.clapstate"), std::string::npos) << error.what();
  }
  fs::create_directory(folder / "dir.clapstate");
  EXPECT_THROW(host().saveState(folder, "dir.clapstate"), fs::filesystem_error)
      << "a directory in the way is not replaced";
  EXPECT_TRUE(fs::is_directory(folder / "dir.clapstate"));
}

// The files that sat in the folder before a save, with their bytes; directories as "/".
std::map<std::string, std::string> folderContents(const fs::path& folder) {
  std::map<std::string, std::string> contents;
  for (const auto& entry : fs::directory_iterator(folder)) {
    contents[entry.path().filename().string()] = entry.is_directory() ? "/" : readFile(entry.path());
  }
  return contents;
}

TEST_F(StateFiles, ASaveTouchesNoFileButItsOwn) {
  // A user's files whose names a temporary file could have taken. Each save, good or
  // failed, leaves them byte for byte and leaves nothing new beside them.
  struct Case {
    const char* what;
    const char* neighbour;  // a file of the user's beside the target
    bool targetIsDirectory;  // the save fails at its last step
  };
  const Case cases[] = {
      {"a file named like the old fixed temporary name", "keep.clapstate.tmp", false},
      {"the same, when the save fails", "keep.clapstate.tmp", true},
      {"a file named like a fresh temporary name", "keep.clapstate.0123456789ab.tmp", false},
      {"a hidden file of the user's", ".keep.clapstate", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(folder);
    fs::create_directories(folder);
    writeFile(folder / c.neighbour, "the user's own bytes");
    if (c.targetIsDirectory) {
      fs::create_directory(folder / "keep.clapstate");
    } else {
      writeFile(folder / "keep.clapstate", "old bytes");
    }
    const auto before = folderContents(folder);
    if (c.targetIsDirectory) {
      try {
        host().saveState(folder, "keep.clapstate");
        ADD_FAILURE() << "a directory in the way is not replaced";
      } catch (const fs::filesystem_error& error) {
        EXPECT_EQ(error.path1(), folder / "keep.clapstate") << "the message names the file the user chose";
      }
      EXPECT_EQ(folderContents(folder), before);
    } else {
      ASSERT_TRUE(host().saveState(folder, "keep.clapstate"));
      auto after = folderContents(folder);
      EXPECT_EQ(after["keep.clapstate"], readFile(settingsDirectory() / "defaults.clapstate"));
      after["keep.clapstate"] = "old bytes";
      EXPECT_EQ(after, before);
    }
  }
}

TEST_F(StateFiles, AFailedFillKeepsTheOldFileAndLeavesNoTemporaryFile) {
  writeFile(folder / "keep.clapstate", "old bytes");
  const auto before = folderContents(folder);
  EXPECT_FALSE(writeFileAtomically(folder / "keep.clapstate", [](std::ostream& out) {
    out << "half a state";
    return false;
  }));
  EXPECT_THROW(writeFileAtomically(folder / "keep.clapstate",
                                   [](std::ostream&) -> bool { throw std::runtime_error("the plugin failed"); }),
               std::runtime_error);
  EXPECT_EQ(folderContents(folder), before);
}

}  // namespace
}  // namespace strobe95::standalone::test
