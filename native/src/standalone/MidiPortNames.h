#pragma once
// Port records for one direction of a MIDI layer that knows its devices only by number
// and capability name: ports of the same name are told apart by their order.
#include <cstdint>
#include <string>
#include <vector>

#include "MidiBackend.h"

namespace strobe95::standalone {

struct MidiDeviceName {
  uint32_t deviceIndex = 0;
  std::string name;  // the capability name, UTF-8
};

// In device order. The k-th port of a name: id "name#k", name "name" for the first and
// "name (k)" after it, legacyName "name <device number>".
std::vector<MidiPortInfo> nameMidiPorts(const std::vector<MidiDeviceName>& devices);

}  // namespace strobe95::standalone
