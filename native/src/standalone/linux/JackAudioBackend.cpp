#include "JackAudioBackend.h"

#include <jack/jack.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "JackClient.h"

namespace strobe95::standalone::linux_standalone {
namespace {

constexpr uint32_t kPortPairs = 2;  // out_1, out_2; in_1, in_2
constexpr const char* kDeviceId = "jack";

class JackAudioBackend final : public AudioBackend, JackCycle {
 public:
  ~JackAudioBackend() override { closeStream(); }

  std::string id() const override { return kJackApiId; }
  std::string displayName() const override { return "JACK"; }

  const std::vector<AudioDeviceInfo>& devices() override {
    if (!listed_) {
      devices_.clear();
      if (auto client = JackClient::shared()) {
        AudioDeviceInfo server;
        server.id = kDeviceId;
        server.name = "JACK server";
        server.legacyName = server.name;
        server.inputChannels = kPortPairs;
        server.outputChannels = kPortPairs;
        server.currentRate = client->sampleRate();
        server.rates = {server.currentRate};
        server.rateSettable = false;
        server.minBuffer = server.maxBuffer = client->bufferSize();
        server.isDefaultInput = server.isDefaultOutput = true;
        devices_.push_back(server);
      }
      listed_ = true;
    }
    return devices_;
  }
  void invalidateDevices() override { listed_ = false; }
  std::string defaultInputDevice() override { return devices().empty() ? "" : kDeviceId; }
  std::string defaultOutputDevice() override { return devices().empty() ? "" : kDeviceId; }

  bool openStream(const StreamParameters& params, StreamResult& result, std::string& error) override {
    closeStream();
    result = {};
    client_ = JackClient::shared();
    if (!client_) {
      error = "No JACK server is running.";
      return false;
    }
    const uint32_t outputs = params.outputDeviceId.empty() ? 0 : std::min(params.outputChannels, kPortPairs);
    const uint32_t inputs = params.inputDeviceId.empty() ? 0 : std::min(params.inputChannels, kPortPairs);
    for (uint32_t i = 0; i < outputs; ++i) {
      if (!registerPort("out_" + std::to_string(i + 1), JackPortIsOutput, outputs_, error)) return false;
    }
    for (uint32_t i = 0; i < inputs; ++i) {
      if (!registerPort("in_" + std::to_string(i + 1), JackPortIsInput, inputs_, error)) return false;
    }
    frames_ = client_->bufferSize();
    result.sampleRate = client_->sampleRate();
    result.blockFrames = frames_;
    result.maxCallbackFrames = frames_;
    result.inputChannels = inputs;
    result.outputChannels = outputs;
    result.outputLatency = result.inputLatency = frames_;
    client_->setStopReport(&JackAudioBackend::stopped, this);
    open_ = true;
    return true;
  }

  bool startStream(AudioStreamCallback* callback, std::string& error) override {
    if (!open_) {
      error = "No audio stream is open.";
      return false;
    }
    callback_ = callback;
    client_->setAudio(this);
    running_ = true;
    // Where the system's sound goes; a server without hardware ports simply plays to none.
    connect(outputs_, client_->ports(JACK_DEFAULT_AUDIO_TYPE, JackPortIsPhysical | JackPortIsInput), true);
    connect(inputs_, client_->ports(JACK_DEFAULT_AUDIO_TYPE, JackPortIsPhysical | JackPortIsOutput), false);
    return true;
  }

  void closeStream() override {
    if (!client_) return;
    client_->setAudio(nullptr);
    client_->setStopReport(nullptr, nullptr);
    if (!client_->serverGone()) {
      for (jack_port_t* port : outputs_) jack_port_unregister(client_->handle(), port);
      for (jack_port_t* port : inputs_) jack_port_unregister(client_->handle(), port);
    }
    outputs_.clear();
    inputs_.clear();
    client_.reset();
    open_ = running_ = false;
    callback_ = nullptr;
  }
  bool isStreamOpen() const override { return open_; }
  bool isStreamRunning() const override { return running_; }
  bool hasControlPanel() const override { return false; }
  bool showControlPanel() override { return false; }

 private:
  bool registerPort(const std::string& name, unsigned long flags, std::vector<jack_port_t*>& into,
                    std::string& error) {
    jack_port_t* port = jack_port_register(client_->handle(), name.c_str(), JACK_DEFAULT_AUDIO_TYPE, flags, 0);
    if (!port) {
      error = "JACK refused the port " + name + ".";
      closeStream();
      return false;
    }
    into.push_back(port);
    return true;
  }

  void connect(const std::vector<jack_port_t*>& ours, const std::vector<std::string>& theirs, bool outward) {
    for (size_t i = 0; i < ours.size() && i < theirs.size(); ++i) {
      const char* own = jack_port_name(ours[i]);
      if (outward) {
        jack_connect(client_->handle(), own, theirs[i].c_str());
      } else {
        jack_connect(client_->handle(), theirs[i].c_str(), own);
      }
    }
  }

  void cycle(jack_nframes_t frames) override {
    std::array<float*, kPortPairs> out{};
    std::array<const float*, kPortPairs> in{};
    for (size_t i = 0; i < outputs_.size(); ++i) out[i] = static_cast<float*>(jack_port_get_buffer(outputs_[i], frames));
    for (size_t i = 0; i < inputs_.size(); ++i) in[i] = static_cast<const float*>(jack_port_get_buffer(inputs_[i], frames));
    if (frames > frames_ || !callback_) {
      // A period longer than the plugin was activated for waits for the host's reopen.
      for (size_t i = 0; i < outputs_.size(); ++i) std::fill_n(out[i], frames, 0.0f);
      return;
    }
    callback_->onAudio(in.data(), uint32_t(inputs_.size()), out.data(), uint32_t(outputs_.size()), frames);
  }

  // A server that went away is a lost device, retried on the host's schedule; a new
  // period size is a changed format, reopened at once.
  static void stopped(void* self, const char* why, bool lost) {
    static_cast<JackAudioBackend*>(self)->report(lost ? AudioBackendEvent::StreamStopped : AudioBackendEvent::StreamFailed,
                                                 why && *why ? why : "The JACK server stopped.");
  }

  std::shared_ptr<JackClient> client_;     // main thread
  std::vector<AudioDeviceInfo> devices_;   // main thread
  bool listed_ = false;                    // main thread
  std::vector<jack_port_t*> outputs_;      // main thread; read by the process thread while installed
  std::vector<jack_port_t*> inputs_;       // as outputs_
  uint32_t frames_ = 0;                    // as outputs_
  AudioStreamCallback* callback_ = nullptr;  // as outputs_
  bool open_ = false;                      // main thread
  bool running_ = false;                   // main thread
};

}  // namespace

std::unique_ptr<AudioBackend> makeJackAudioBackend() { return std::make_unique<JackAudioBackend>(); }

bool jackServerAnswers() { return JackClient::shared() != nullptr; }

}  // namespace strobe95::standalone::linux_standalone
