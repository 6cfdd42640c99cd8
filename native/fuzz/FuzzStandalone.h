#pragma once
// The standalone program's host around the real plugin, made once per fuzzing process
// through the program's own entry: no audio or MIDI layer (the targets call its MIDI
// receive function and its audio callback themselves) and no data folder.
#include <clap/entry.h>

#include <cstdint>

#include "FuzzInput.h"
#include "StandaloneHost.h"

extern "C" const clap_plugin_entry_t clap_entry;

namespace strobe95::fuzz {

inline standalone::StandaloneHost& standaloneHost() {
  static standalone::StandaloneHost& host = [] () -> standalone::StandaloneHost& {
    standalone::HostEnvironment environment;
    environment.steadyNanos = [] { return int64_t(0); };
    standalone::StandaloneHost::setEnvironment(environment);
    const char* argv[] = {"STROBE-95"};
    require(standalone::createStandalonePlugin(&clap_entry, "co.glowhaus.strobe95", 0, 1, argv) != nullptr,
            "the standalone host does not create the plugin");
    return standalone::StandaloneHost::instance();
  }();
  return host;
}

}  // namespace strobe95::fuzz
