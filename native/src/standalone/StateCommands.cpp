#include "StateCommands.h"

#include <system_error>

#include "DebugOutput.h"

namespace strobe95::standalone {

namespace fs = std::filesystem;

std::optional<std::string> saveStateFile(StandaloneHost& host, const fs::path& file) {
  try {
    host.saveState(file.parent_path(), file.filename());
  } catch (const std::exception& error) {
    return std::string("Unable to save state: ") + error.what();
  }
  return std::nullopt;
}

std::optional<std::string> loadStateFile(StandaloneHost& host, const fs::path& file) {
  std::error_code ignored;
  if (!fs::exists(file, ignored)) return std::nullopt;
  try {
    host.loadState(file.parent_path(), file.filename());
  } catch (const std::exception& error) {
    return std::string("Unable to load state: ") + error.what();
  }
  return std::nullopt;
}

std::optional<std::string> resetState(StandaloneHost& host) {
  const auto& directory = host.settingsDirectory();
  std::error_code ignored;
  if (!directory || !fs::exists(*directory / kDefaultsStateFile, ignored)) return std::nullopt;
  try {
    host.loadState(*directory, kDefaultsStateFile);
  } catch (const std::exception& error) {
    return std::string("Unable to reset state: ") + error.what();
  }
  return std::nullopt;
}

bool toggleSessionRestore(StandaloneHost& host) {
  const int32_t next = host.pluginStatePersistence() == kPersistSession ? kPersistNone : kPersistSession;
  try {
    host.setPluginStatePersistence(next);
  } catch (const std::exception& error) {
    writeDebugOutput(std::string("Unable to save the settings file: ") + error.what() + "\n");
  }
  return host.pluginStatePersistence() == kPersistSession;
}

}  // namespace strobe95::standalone
