#pragma once
// Where the standalone keeps its settings file and state files: one folder per plugin id
// under the user's local application data.
#include <filesystem>
#include <optional>
#include <string_view>

namespace strobe95::standalone {

inline constexpr const char* kSettingsFolderName = "clap-standalone-host";

// The platform's folder for per-user local application data (on Linux the XDG config
// home, ~/.config unless XDG_CONFIG_HOME says otherwise), or nothing when it cannot
// be found (then the standalone keeps no files).
std::optional<std::filesystem::path> localAppDataFolder();

// <base>/clap-standalone-host/<plugin id>, creating clap-standalone-host when it is
// missing; a failure throws std::filesystem::filesystem_error naming "create_directory".
std::filesystem::path settingsDirectoryUnder(const std::filesystem::path& base, std::string_view pluginId);

}  // namespace strobe95::standalone
