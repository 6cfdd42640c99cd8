// Any bytes as a state file a user loads into the standalone program ("Load state...",
// or the last session at start). The host's load hands them to the real plugin: text
// the plugin reads as a state becomes exactly that state, anything else leaves the
// sound as it was, and either way the next save gives a file that loads to itself.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

#include "FuzzInput.h"
#include "FuzzStandalone.h"
#include "StateText.h"

namespace {

namespace fs = std::filesystem;
using namespace strobe95;
using fuzz::require;

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const fs::path& path, const uint8_t* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
}

// A folder of this process's own, gone when it ends.
struct Folder {
  Folder() : path(fs::temp_directory_path() / ("strobe95-fuzz-state-" + std::to_string(std::random_device{}()))) {
    fs::create_directories(path);
  }
  ~Folder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
  fs::path path;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto& host = fuzz::standaloneHost();
  static const Folder folder;
  static const std::string defaults = [] {
    fuzz::standaloneHost().saveState(folder.path, "defaults.clapstate");
    return readFile(folder.path / "defaults.clapstate");
  }();
  host.loadState(folder.path, "defaults.clapstate");

  writeFile(folder.path / "input.clapstate", data, size);
  try {
    host.loadState(folder.path, "input.clapstate");
  } catch (const std::exception&) {
    // Refused with a reason, as the program's message shows it; the sound stays.
  }
  require(host.saveState(folder.path, "after.clapstate"), "the plugin does not save after a load");
  const std::string after = readFile(folder.path / "after.clapstate");
  const auto read = parseStateText(std::string_view(reinterpret_cast<const char*>(data), size));
  const std::string expected = read ? formatStateText(read->values, read->preset) : defaults;
  require(after == expected, "the loaded state is not the file's:\n%s", after.c_str());

  host.loadState(folder.path, "after.clapstate");
  require(host.saveState(folder.path, "again.clapstate") && readFile(folder.path / "again.clapstate") == after,
          "a saved state does not load to itself");
  return 0;
}
