#include "SettingsLocation.h"

#include <cstdlib>
#include <system_error>

#ifdef _WIN32
#include <shlobj.h>
#include <windows.h>
#endif

namespace strobe95::standalone {

namespace fs = std::filesystem;

std::optional<fs::path> localAppDataFolder() {
#ifdef _WIN32
  PWSTR folder = nullptr;
  std::optional<fs::path> result;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &folder)) && folder) {
    result = fs::path(folder);
  }
  CoTaskMemFree(folder);
  return result;
#else
  // Settings and sessions are a user's configuration: the XDG config home.
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/') return fs::path(config);
  if (const char* home = std::getenv("HOME"); home && *home == '/') return fs::path(home) / ".config";
  return std::nullopt;
#endif
}

fs::path settingsDirectoryUnder(const fs::path& base, std::string_view pluginId) {
  const fs::path hostFolder = base / kSettingsFolderName;
  std::error_code error;
  fs::create_directory(hostFolder, error);
  if (error) throw fs::filesystem_error("create_directory", hostFolder, error);
  return hostFolder / fs::path(std::u8string(pluginId.begin(), pluginId.end()));
}

}  // namespace strobe95::standalone
