#pragma once
// The window menu's state commands, shared by the programs' windows: each does what its
// menu item says and returns the message a failure shows, or nothing.
#include <filesystem>
#include <optional>
#include <string>

#include "StandaloneHost.h"

namespace strobe95::standalone {

std::optional<std::string> saveStateFile(StandaloneHost& host, const std::filesystem::path& file);
// A file that is not there (a chooser's typed name) is no failure: nothing happens.
std::optional<std::string> loadStateFile(StandaloneHost& host, const std::filesystem::path& file);
// Back to the sound the program starts with (defaults.clapstate).
std::optional<std::string> resetState(StandaloneHost& host);
// Turns "Restore last session" over; returns whether it is on now.
bool toggleSessionRestore(StandaloneHost& host);

}  // namespace strobe95::standalone
