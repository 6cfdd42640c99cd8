#include "LinuxMidiBackend.h"

#include "DeviceChoice.h"

namespace strobe95::standalone::linux_standalone {
namespace {

bool isAlsaId(const std::string& id) {
  return id.rfind(kAlsaSequencerPrefix, 0) == 0 || id.rfind(kAlsaRawPrefix, 0) == 0;
}

}  // namespace

std::vector<MidiPortInfo> LinuxMidiBackend::inputPorts() {
  std::vector<MidiPortInfo> ports = jack_->inputPorts();
  for (MidiPortInfo& port : alsa_.ports()) {
    port.deviceIndex = uint32_t(ports.size());
    ports.push_back(std::move(port));
  }
  return ports;
}

std::vector<std::string> LinuxMidiBackend::openInputs(const std::vector<std::string>& ids, MidiReceive receive) {
  std::vector<std::string> jackIds, alsaIds;
  for (const std::string& id : ids) (isAlsaId(id) ? alsaIds : jackIds).push_back(id);
  // Both sides hand their messages to the same receiver, each from its own thread: the
  // host's receive function takes any thread.
  std::vector<std::string> opened = jack_->openInputs(jackIds, receive);
  for (std::string& id : alsa_.open(alsaIds, std::move(receive))) opened.push_back(std::move(id));
  return opened;
}

void LinuxMidiBackend::followPorts(StandaloneHost& host) {
  if (!takePortsChanged()) return;
  const StandaloneSettings& s = host.settings();
  host.openMidiInputs(resolveMidiPorts(inputPorts(), s.midiPorts, s.midiPortIds), s.midiBindAllPorts);
}

bool LinuxMidiBackend::takePortsChanged() {
  const bool jack = jack_->takePortsChanged();
  const bool alsa = alsa_.takePortsChanged();
  return jack || alsa;
}

}  // namespace strobe95::standalone::linux_standalone
