#include "MidiPortNames.h"

#include <map>

namespace strobe95::standalone {

std::vector<MidiPortInfo> nameMidiPorts(const std::vector<MidiDeviceName>& devices) {
  std::vector<MidiPortInfo> ports;
  std::map<std::string, uint32_t> seen;
  for (const MidiDeviceName& device : devices) {
    const uint32_t k = ++seen[device.name];
    const std::string number = std::to_string(k);
    ports.push_back({device.name + "#" + number, k == 1 ? device.name : device.name + " (" + number + ")",
                     device.name + " " + std::to_string(device.deviceIndex), device.deviceIndex});
  }
  return ports;
}

}  // namespace strobe95::standalone
