#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "DesktopAppearance.h"
#include "SettingsLocation.h"

namespace strobe95::standalone::linux_standalone {
namespace {

TEST(LinuxCommandLine, ReadsEveryOptionAndNamesTheFirstStranger) {
  struct Case {
    std::vector<std::string> arguments;
    bool help, list, noWindow;
    std::optional<std::string> unknown;
  } cases[] = {
      {{}, false, false, false, std::nullopt},
      {{"--no-window"}, false, false, true, std::nullopt},
      {{"--list-audio-devices", "--no-window"}, false, true, true, std::nullopt},
      {{"-h"}, true, false, false, std::nullopt},
      {{"--help", "--loud", "--quiet"}, true, false, false, "--loud"},
      {{"--no-window=1"}, false, false, false, "--no-window=1"},
      {{"no-window"}, false, false, false, "no-window"},
      {{""}, false, false, false, ""},  // an empty argument is no option either
  };
  for (const Case& c : cases) {
    const CommandLine line = parseCommandLine(c.arguments);
    const std::string what = c.arguments.empty() ? "(none)" : c.arguments[0];
    EXPECT_EQ(line.help, c.help) << what;
    EXPECT_EQ(line.listDevices, c.list) << what;
    EXPECT_EQ(line.noWindow, c.noWindow) << what;
    EXPECT_EQ(line.unknown, c.unknown) << what;
  }
  EXPECT_NE(helpText("9.8.7").find("STROBE-95 9.8.7"), std::string::npos);
}

TEST(LinuxDesktopAppearance, TheColourSchemeDecidesAndOnlyDefaultLeavesItToTheTheme) {
  struct Case {
    const char* scheme;
    const char* theme;
    bool dark;
  } cases[] = {
      {"prefer-dark", "Adwaita", true},
      {"prefer-light", "Adwaita-dark", false},  // the newer key wins over an old theme
      {"default", "Adwaita-dark", true},
      {"default", "Adwaita", false},
      {"", "Breeze-Dark", true},                 // no key at all: the theme's name, any case
      {"", "Yaru", false},
      {"", "", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(prefersDark(c.scheme, c.theme), c.dark) << c.scheme << " / " << c.theme;
  }
}

TEST(LinuxSettingsFolder, IsTheXdgConfigHomeOrDotConfig) {
  struct Case {
    const char* config;
    const char* home;
    std::optional<std::string> folder;
  } cases[] = {
      {"/xdg/config", "/home/u", "/xdg/config"},
      {"relative/config", "/home/u", "/home/u/.config"},  // not absolute: ignored, as XDG says
      {"", "/home/u", "/home/u/.config"},
      {nullptr, "/home/u", "/home/u/.config"},
      {nullptr, nullptr, std::nullopt},
  };
  const char* savedConfig = std::getenv("XDG_CONFIG_HOME");
  const char* savedHome = std::getenv("HOME");
  const std::optional<std::string> keepConfig = savedConfig ? std::optional<std::string>(savedConfig) : std::nullopt;
  const std::optional<std::string> keepHome = savedHome ? std::optional<std::string>(savedHome) : std::nullopt;
  auto put = [](const char* name, const char* value) { value ? setenv(name, value, 1) : unsetenv(name); };
  for (const Case& c : cases) {
    put("XDG_CONFIG_HOME", c.config);
    put("HOME", c.home);
    const auto folder = localAppDataFolder();
    EXPECT_EQ(folder ? std::optional<std::string>(folder->string()) : std::nullopt, c.folder)
        << (c.config ? c.config : "(unset)");
  }
  put("XDG_CONFIG_HOME", keepConfig ? keepConfig->c_str() : nullptr);
  put("HOME", keepHome ? keepHome->c_str() : nullptr);
}

}  // namespace
}  // namespace strobe95::standalone::linux_standalone
