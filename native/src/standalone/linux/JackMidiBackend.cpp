#include "JackMidiBackend.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <atomic>
#include <chrono>
#include <cerrno>
#include <list>
#include <string>
#include <vector>

#include "JackClient.h"

namespace strobe95::standalone::linux_standalone {
namespace {

constexpr const char* kInputPortName = "midi_in";
// How often a backend without a server asks for one again.
constexpr auto kAttachInterval = std::chrono::seconds(2);

class Backend final : public JackMidiBackend, JackCycle {
 public:
  Backend() { attach(); }
  ~Backend() override { detach(); }

  std::string id() const override { return "jack"; }

  std::vector<MidiPortInfo> inputPorts() override {
    std::vector<MidiPortInfo> ports;
    if (!client_ || client_->serverGone()) return ports;
    for (const std::string& name : client_->ports(JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput)) {
      MidiPortInfo port;
      port.id = name;
      port.name = name;
      port.legacyName = alias(name);
      port.deviceIndex = uint32_t(ports.size());
      ports.push_back(port);
    }
    return ports;
  }
  std::vector<MidiPortInfo> outputPorts() override { return {}; }

  std::vector<std::string> openInputs(const std::vector<std::string>& ids, MidiReceive receive) override {
    std::vector<std::string> opened;
    if (!port_ || client_->serverGone()) return opened;
    jack_port_disconnect(client_->handle(), port_);
    if (receive) {
      // Kept until the backend goes: the process thread may still be calling an earlier one.
      receivers_.push_back(std::move(receive));
      receive_.store(&receivers_.back());
    } else {
      receive_.store(nullptr);
    }
    for (const std::string& id : ids) {
      const int status = jack_connect(client_->handle(), id.c_str(), jack_port_name(port_));
      if (status == 0 || status == EEXIST) opened.push_back(id);
    }
    return opened;
  }
  std::vector<std::string> openOutputs(const std::vector<std::string>&) override { return {}; }
  bool supportsVirtualPorts() const override { return false; }
  bool openVirtualInput(const std::string&) override { return false; }
  bool openVirtualOutput(const std::string&) override { return false; }
  void send(const uint8_t*, std::size_t) override {}

  bool takePortsChanged() override {
    // A server that went away and came back is a new client, with "midi_in" made anew.
    if (!client_ || client_->serverGone()) {
      const auto now = std::chrono::steady_clock::now();
      if (now < nextAttach_) return false;
      nextAttach_ = now + kAttachInterval;
      detach();
      return attach();
    }
    return client_->takePortsChanged();
  }

 private:
  bool attach() {
    client_ = JackClient::shared();
    if (!client_) return false;
    port_ = jack_port_register(client_->handle(), kInputPortName, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    if (port_) client_->setMidi(this);
    return port_ != nullptr;
  }
  void detach() {
    if (!client_) return;
    client_->setMidi(nullptr);
    if (port_ && !client_->serverGone()) jack_port_unregister(client_->handle(), port_);
    port_ = nullptr;
    client_.reset();
  }

  std::string alias(const std::string& name) const {
    jack_port_t* port = jack_port_by_name(client_->handle(), name.c_str());
    std::vector<char> first(jack_port_name_size()), second(jack_port_name_size());
    char* aliases[2] = {first.data(), second.data()};
    if (port && jack_port_get_aliases(port, aliases) > 0) return aliases[0];
    return name;
  }

  void cycle(jack_nframes_t frames) override {
    void* buffer = jack_port_get_buffer(port_, frames);
    const MidiReceive* receive = receive_.load();
    const jack_nframes_t count = jack_midi_get_event_count(buffer);
    for (jack_nframes_t i = 0; i < count && receive; ++i) {
      jack_midi_event_t event;
      if (jack_midi_event_get(&event, buffer, i) == 0) (*receive)(event.buffer, event.size);
    }
  }

  std::shared_ptr<JackClient> client_;         // main thread
  std::chrono::steady_clock::time_point nextAttach_{};  // main thread
  jack_port_t* port_ = nullptr;                // main thread; the process thread reads its buffer
  std::list<MidiReceive> receivers_;           // main thread
  std::atomic<const MidiReceive*> receive_{nullptr};  // main thread stores, process thread loads
};

}  // namespace

std::unique_ptr<JackMidiBackend> makeJackMidiBackend() { return std::make_unique<Backend>(); }

}  // namespace strobe95::standalone::linux_standalone
