// The host's side of MIDI: which ports open from the stored choice, and the thread that
// sends the plugin's outgoing MIDI to the open outputs.
#include <chrono>
#include <thread>

#include "DeviceChoice.h"
#include "StandaloneHost.h"

namespace strobe95::standalone {
namespace {

constexpr auto kOutputPollInterval = std::chrono::milliseconds(1);

}  // namespace

std::string StandaloneHost::virtualPortName(bool input) const {
  std::string name = "MIDI";
  if (plugin_ && plugin_->plugin() && plugin_->plugin()->desc && plugin_->plugin()->desc->name &&
      *plugin_->plugin()->desc->name) {
    name = plugin_->plugin()->desc->name;
  }
  return name + (input ? " Virtual In" : " Virtual Out");
}

void StandaloneHost::openMidiInputs(const std::vector<std::string>& ids, bool bindAll) {
  if (!midiBackend_) return;
  midiBackend_->openInputs({}, {});
  if (!layout_.acceptsMidi && !layout_.acceptsClapNotes) return;
  std::vector<std::string> wanted;
  const auto ports = midiBackend_->inputPorts();
  if (bindAll) {
    for (const auto& port : ports) wanted.push_back(port.id);
  } else {
    for (const auto& id : ids) {
      for (const auto& port : ports) {
        if (port.id == id) wanted.push_back(id);
      }
    }
  }
  midiBackend_->openInputs(wanted, [this](const uint8_t* bytes, std::size_t length) { receiveMidi(bytes, length); });
}

void StandaloneHost::openMidiOutputs(const std::vector<std::string>& ids) {
  if (!midiBackend_) return;
  midiOutputEnabled_.store(false);
  if (midiOutputThread_.joinable()) midiOutputThread_.join();
  openMidiOutputIds_.clear();
  if (!layout_.hasMidiOutput) {
    midiBackend_->openOutputs({});
    return;
  }
  const auto ports = midiBackend_->outputPorts();
  std::vector<std::string> wanted;
  for (const auto& id : ids) {
    for (const auto& port : ports) {
      if (port.id == id) wanted.push_back(id);
    }
  }
  openMidiOutputIds_ = midiBackend_->openOutputs(wanted);
  if (!openMidiOutputIds_.empty()) {
    // What the plugin sent before the outputs opened is stale. Skipped here, before
    // output is enabled, so nothing sent after that can be skipped with it.
    midiOut_.skipAll();
    midiOutputEnabled_.store(true);
    midiOutputThread_ = std::thread([this] { runMidiOutput(); });
  }
}

void StandaloneHost::startMidi() {
  if (!midiBackend_) return;
  const StandaloneSettings& s = settings_;
  openMidiInputs(resolveMidiPorts(midiBackend_->inputPorts(), s.midiPorts, s.midiPortIds), s.midiBindAllPorts);
  if (s.midiVirtualInput && midiBackend_->supportsVirtualPorts() && (layout_.acceptsMidi || layout_.acceptsClapNotes)) {
    midiBackend_->openVirtualInput(virtualPortName(true));
  }
  openMidiOutputs(resolveMidiPorts(midiBackend_->outputPorts(), s.midiOutputPorts, s.midiOutputPortIds));
  if (s.midiVirtualOutput && midiBackend_->supportsVirtualPorts() && layout_.hasMidiOutput) {
    midiBackend_->openVirtualOutput(virtualPortName(false));
  }
}

void StandaloneHost::stopMidi() {
  if (!midiBackend_) return;
  midiBackend_->openInputs({}, {});
  midiBackend_->openVirtualInput("");
  midiOutputEnabled_.store(false);
  if (midiOutputThread_.joinable()) midiOutputThread_.join();
  midiBackend_->openOutputs({});
  openMidiOutputIds_.clear();
}

void StandaloneHost::runMidiOutput() {
  std::vector<uint8_t> message(MidiByteRing::kMaxMessage);
  bool sentNoteOn = false;
  while (midiOutputEnabled_.load()) {
    while (const uint32_t length = midiOut_.frontLength()) {
      midiOut_.copyFront(message.data(), length);
      midiOut_.popFront(length);
      midiBackend_->send(message.data(), length);
      if ((message[0] & 0xF0) == 0x90) sentNoteOn = true;
    }
    std::this_thread::sleep_for(kOutputPollInterval);
  }
  if (sentNoteOn) {
    // Nothing may keep sounding on the far side once the outputs close.
    for (uint8_t channel = 0; channel < 16; ++channel) {
      const uint8_t allNotesOff[3] = {uint8_t(0xB0 | channel), 0x7B, 0x00};
      midiBackend_->send(allNotesOff, 3);
    }
  }
}

}  // namespace strobe95::standalone
