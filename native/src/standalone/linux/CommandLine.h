#pragma once
// The Linux program's command line, read as a pure function.
#include <optional>
#include <string>
#include <vector>

namespace strobe95::standalone::linux_standalone {

struct CommandLine {
  bool help = false;
  bool listDevices = false;  // --list-audio-devices
  bool noWindow = false;     // --no-window: a sound module, until SIGINT or SIGTERM
  std::optional<std::string> unknown;  // the first argument that is none of these
};

CommandLine parseCommandLine(const std::vector<std::string>& arguments);  // without the program name

// What --help prints, with the product's version.
std::string helpText(const std::string& version);

}  // namespace strobe95::standalone::linux_standalone
