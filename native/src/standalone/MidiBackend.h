#pragma once
// The MIDI layer as the host sees it: input and output ports, opened as sets.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace strobe95::standalone {

struct MidiPortInfo {
  std::string id;
  std::string name;
  std::string legacyName;  // only for matching stored choices
  uint32_t deviceIndex = 0;
};

// Called on the MIDI layer's threads with one complete message.
using MidiReceive = std::function<void(const uint8_t* bytes, std::size_t length)>;

class MidiBackend {
 public:
  virtual ~MidiBackend() = default;
  virtual std::string id() const = 0;
  virtual std::vector<MidiPortInfo> inputPorts() = 0;
  virtual std::vector<MidiPortInfo> outputPorts() = 0;
  // Make exactly these ports open; returns the ids that are open.
  virtual std::vector<std::string> openInputs(const std::vector<std::string>& ids, MidiReceive receive) = 0;
  virtual std::vector<std::string> openOutputs(const std::vector<std::string>& ids) = 0;
  virtual bool supportsVirtualPorts() const = 0;
  virtual bool openVirtualInput(const std::string& name) = 0;
  virtual bool openVirtualOutput(const std::string& name) = 0;
  // Sends one message to every open output.
  virtual void send(const uint8_t* bytes, std::size_t length) = 0;
};

}  // namespace strobe95::standalone
