#pragma once
// Audio and MIDI layers that play a script: device lists, stream results, open and start
// failures, device loss, and a render thread that calls the host once per period. They
// stand in for WASAPI and WinMM, which do not exist on this machine.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "AudioBackend.h"
#include "MidiBackend.h"

namespace strobe95::standalone::test {

class ScriptedAudioBackend;

// What the scripted layer offers and how it fails; shared between a test and every
// backend the host creates from it.
struct AudioScript {
  std::vector<AudioDeviceInfo> devices;
  std::string defaultInput;
  std::string defaultOutput;
  std::string openError;           // non-empty: openStream fails with it
  bool failOpenSilently = false;   // openStream fails without a message
  int throwOnOpen = 0;             // 1: openStream throws a std::runtime_error; 2: something else
  std::string startError;          // non-empty: startStream fails with it
  uint32_t streamRate = 0;         // 0: the rate asked for
  uint32_t streamBlock = 0;        // 0: the buffer size asked for
  uint32_t streamLargestBlock = 0; // above streamBlock: the size every callback delivers
  int failOpens = -1;              // this many more opens fail with openError; -1: every one
  std::vector<StreamParameters> opened;  // every stream asked for
  int invalidations = 0;
  ScriptedAudioBackend* live = nullptr;  // the backend the host holds now
};

inline AudioDeviceInfo scriptedDevice(std::string id, std::string name, uint32_t inputs, uint32_t outputs,
                                      uint32_t rate = 48000) {
  AudioDeviceInfo d;
  d.id = std::move(id);
  d.name = std::move(name);
  d.legacyName = d.name;
  d.inputChannels = inputs;
  d.outputChannels = outputs;
  d.rates = {44100, 48000, 96000};
  d.currentRate = rate;
  return d;
}

class ScriptedAudioBackend final : public AudioBackend {
 public:
  explicit ScriptedAudioBackend(std::shared_ptr<AudioScript> script) : script_(std::move(script)) {
    script_->live = this;
  }
  ~ScriptedAudioBackend() override {
    closeStream();
    if (script_->live == this) script_->live = nullptr;
  }

  std::string id() const override { return "scripted"; }
  std::string displayName() const override { return "Scripted"; }
  const std::vector<AudioDeviceInfo>& devices() override { return script_->devices; }
  void invalidateDevices() override { ++script_->invalidations; }
  std::string defaultInputDevice() override { return script_->defaultInput; }
  std::string defaultOutputDevice() override { return script_->defaultOutput; }

  bool openStream(const StreamParameters& params, StreamResult& result, std::string& error) override {
    closeStream();
    result = {};
    script_->opened.push_back(params);
    if (script_->throwOnOpen == 1) throw std::runtime_error("The driver gave up.");
    if (script_->throwOnOpen == 2) throw 42;
    if (script_->failOpenSilently) return false;
    if (!script_->openError.empty() && script_->failOpens != 0) {
      if (script_->failOpens > 0) --script_->failOpens;
      error = script_->openError;
      return false;
    }
    result.sampleRate = script_->streamRate ? script_->streamRate : params.sampleRate;
    result.blockFrames = script_->streamBlock ? script_->streamBlock : params.bufferFrames;
    result.maxCallbackFrames = std::max(result.blockFrames, script_->streamLargestBlock);
    result.inputChannels = params.inputChannels;
    result.outputChannels = params.outputChannels;
    params_ = params;
    frames_ = result.maxCallbackFrames;
    open_ = true;
    return true;
  }

  bool startStream(AudioStreamCallback* callback, std::string& error) override {
    if (!open_) {
      error = "No audio stream is open.";
      return false;
    }
    if (!script_->startError.empty()) {
      error = script_->startError;
      return false;
    }
    if (running_) return true;
    running_ = true;
    thread_ = std::thread([this, callback] { render(callback); });
    return true;
  }

  void closeStream() override {
    stopThread();
    open_ = false;
  }
  bool isStreamOpen() const override { return open_; }
  bool isStreamRunning() const override { return running_; }
  bool hasControlPanel() const override { return false; }
  bool showControlPanel() override { return false; }

  // The device went away: the render thread ends and the loss is reported, as a real
  // layer does from its own thread.
  void loseDevice(const std::string& message, AudioBackendEvent event = AudioBackendEvent::StreamStopped) {
    stopThread();
    report(event, message);
  }
  void announce(AudioBackendEvent event) { report(event, ""); }

  long periods() const { return periods_.load(); }
  // The first output channel of the latest period.
  std::vector<float> lastOutput() {
    std::lock_guard<std::mutex> lock(outputLock_);
    return lastOutput_;
  }
  const StreamParameters& params() const { return params_; }

 private:
  void stopThread() {
    running_ = false;
    if (thread_.joinable()) thread_.join();
  }

  void render(AudioStreamCallback* callback) {
    std::vector<std::vector<float>> in(params_.inputChannels, std::vector<float>(frames_, 0.25f));
    std::vector<std::vector<float>> out(params_.outputChannels, std::vector<float>(frames_));
    std::vector<const float*> inPointers;
    std::vector<float*> outPointers;
    for (auto& c : in) inPointers.push_back(c.data());
    for (auto& c : out) outPointers.push_back(c.data());
    while (running_) {
      callback->onAudio(inPointers.data(), uint32_t(in.size()), outPointers.data(), uint32_t(out.size()), frames_);
      ++periods_;
      if (!out.empty()) {
        std::lock_guard<std::mutex> lock(outputLock_);
        lastOutput_ = out[0];
      }
      std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
  }

  std::shared_ptr<AudioScript> script_;
  StreamParameters params_;
  uint32_t frames_ = 0;
  bool open_ = false;
  std::atomic<bool> running_{false};
  std::thread thread_;
  std::atomic<long> periods_{0};
  std::mutex outputLock_;
  std::vector<float> lastOutput_;
};

struct MidiScript {
  std::vector<MidiPortInfo> inputs;
  std::vector<MidiPortInfo> outputs;
  std::vector<std::string> openInputs;
  std::vector<std::string> openOutputs;
  MidiReceive receive;
  std::mutex sentLock;
  std::vector<std::vector<uint8_t>> sent;
};

class ScriptedMidiBackend final : public MidiBackend {
 public:
  explicit ScriptedMidiBackend(std::shared_ptr<MidiScript> script) : script_(std::move(script)) {}
  std::string id() const override { return "scripted-midi"; }
  std::vector<MidiPortInfo> inputPorts() override { return script_->inputs; }
  std::vector<MidiPortInfo> outputPorts() override { return script_->outputs; }
  std::vector<std::string> openInputs(const std::vector<std::string>& ids, MidiReceive receive) override {
    script_->openInputs = ids;
    script_->receive = ids.empty() ? MidiReceive{} : std::move(receive);
    return ids;
  }
  std::vector<std::string> openOutputs(const std::vector<std::string>& ids) override {
    script_->openOutputs = ids;
    return ids;
  }
  bool supportsVirtualPorts() const override { return false; }
  bool openVirtualInput(const std::string& name) override { return name.empty(); }
  bool openVirtualOutput(const std::string& name) override { return name.empty(); }
  void send(const uint8_t* bytes, std::size_t length) override {
    std::lock_guard<std::mutex> lock(script_->sentLock);
    script_->sent.emplace_back(bytes, bytes + length);
  }

 private:
  std::shared_ptr<MidiScript> script_;
};

}  // namespace strobe95::standalone::test
