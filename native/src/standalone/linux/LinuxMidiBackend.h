#pragma once
// MIDI in the Linux program: the MIDI outputs of the other JACK clients while a server
// runs, and ALSA's sequencer ports and raw MIDI devices.
#include <memory>

#include "AlsaMidiInput.h"
#include "JackMidiBackend.h"
#include "StandaloneHost.h"

namespace strobe95::standalone::linux_standalone {

class LinuxMidiBackend final : public MidiBackend {
 public:
  LinuxMidiBackend() : jack_(makeJackMidiBackend()) {}

  std::string id() const override { return "linux"; }
  std::vector<MidiPortInfo> inputPorts() override;
  std::vector<MidiPortInfo> outputPorts() override { return {}; }
  std::vector<std::string> openInputs(const std::vector<std::string>& ids, MidiReceive receive) override;
  std::vector<std::string> openOutputs(const std::vector<std::string>&) override { return {}; }
  bool supportsVirtualPorts() const override { return false; }
  bool openVirtualInput(const std::string&) override { return false; }
  bool openVirtualOutput(const std::string&) override { return false; }
  void send(const uint8_t*, std::size_t) override {}

  // True once after ports came or went on either side. Main thread.
  bool takePortsChanged();
  // Once ports came or went, opens the host's MIDI inputs afresh: every port under "all
  // ports", else the stored ones (a keyboard plugged in again). Main thread, each service.
  void followPorts(StandaloneHost& host);

 private:
  std::unique_ptr<JackMidiBackend> jack_;
  AlsaMidiInput alsa_;
};

}  // namespace strobe95::standalone::linux_standalone
