// The standalone-features host extension: the settings window and the host's ports and
// devices, for a plugin that asks. This plugin never does; the table is there for any.
#include "StandaloneHost.h"

namespace strobe95::standalone {
namespace {

StandaloneHost* host() { return StandaloneHost::existing(); }

// Keeps the strings alive in the host until the next call and points the record at them.
bool record(const std::string& id, const std::string& name, standalone_host_record_t* out) {
  StandaloneHost* h = host();
  if (!h || !out) return false;
  h->featureStrings = {id, name};
  out->id = h->featureStrings[0].c_str();
  out->name = h->featureStrings[1].c_str();
  return true;
}

bool hasSettingsWindow(const clap_host_t*) { return host() && bool(host()->callbacks.showSettingsWindow); }
bool showSettingsWindow(const clap_host_t*) { return hasSettingsWindow(nullptr) && host()->callbacks.showSettingsWindow(); }

std::vector<MidiPortInfo> midiPorts(bool input) {
  MidiBackend* midi = host() ? host()->midiBackend() : nullptr;
  if (!midi) return {};
  return input ? midi->inputPorts() : midi->outputPorts();
}
uint32_t midiInputCount(const clap_host_t*) { return uint32_t(midiPorts(true).size()); }
uint32_t midiOutputCount(const clap_host_t*) { return uint32_t(midiPorts(false).size()); }
bool midiPort(bool input, uint32_t index, standalone_host_record_t* out) {
  const auto ports = midiPorts(input);
  return index < ports.size() && record(ports[index].id, ports[index].name, out);
}
bool midiInput(const clap_host_t*, uint32_t index, standalone_host_record_t* out) { return midiPort(true, index, out); }
bool midiOutput(const clap_host_t*, uint32_t index, standalone_host_record_t* out) { return midiPort(false, index, out); }

const std::vector<AudioDeviceInfo>* audioDevices() {
  AudioBackend* audio = host() ? host()->audioBackend() : nullptr;
  return audio ? &audio->devices() : nullptr;
}
uint32_t audioDeviceCount(const clap_host_t*) {
  const auto* devices = audioDevices();
  return devices ? uint32_t(devices->size()) : 0;
}
bool audioDevice(const clap_host_t*, uint32_t index, standalone_host_record_t* out) {
  const auto* devices = audioDevices();
  return devices && index < devices->size() && record((*devices)[index].id, (*devices)[index].name, out);
}

const standalone_host_features_t kFeatures = {hasSettingsWindow, showSettingsWindow, midiInputCount, midiInput,
                                              midiOutputCount,   midiOutput,         audioDeviceCount, audioDevice};

}  // namespace

const void* StandaloneHost::standaloneFeatures() const { return &kFeatures; }

}  // namespace strobe95::standalone
