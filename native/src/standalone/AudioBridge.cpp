// The main-thread half of the audio bridge: choosing the audio API and devices,
// activating the plugin for a stream, starting and stopping the stream, and bringing
// it back after the device went away.
#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "DeviceChoice.h"
#include "StandaloneHost.h"

namespace strobe95::standalone {
namespace {

constexpr int kQuiesceSteps = 2000;  // of 1 ms: the callback has 2 s to notice
constexpr int32_t kFallbackRate = 48000;
constexpr int64_t kSecond = 1'000'000'000;

}  // namespace

void StandaloneHost::lockAudio() {
  while (audioLock_.exchange(true, std::memory_order_acquire)) std::this_thread::yield();
}

bool StandaloneHost::audioRunsWithChannels() const {
  return active_ && (choice_.openInputChannels > 0 || choice_.openOutputChannels > 0);
}

bool StandaloneHost::selectAudioApi(const std::string& name) {
  const auto& apis = environment_.audioApis;
  if (apis.empty()) return false;
  auto api = std::find_if(apis.begin(), apis.end(), [&](const AudioApi& a) { return a.id == name; });
  if (api == apis.end()) api = apis.begin();
  if (audioBackend_ && choice_.apiName == api->id) return true;
  if (audioBackend_) {
    stopAudio();
    audioBackend_.reset();
  }
  choice_.apiName = api->id;
  audioBackend_ = api->create ? api->create() : nullptr;
  if (!audioBackend_) return false;
  audioBackend_->setEventCallback(
      [this](AudioBackendEvent event, const std::string& message) { onBackendEvent(event, message); });
  return true;
}

// --- Activation -----------------------------------------------------------------------

bool StandaloneHost::activatePlugin(double sampleRate, uint32_t minFrames, uint32_t maxFrames) {
  if (!plugin_ || !plugin_->plugin() || sampleRate < 1 || minFrames < 1 || maxFrames < minFrames) return false;
  // A running stream keeps running: the callback stays silent until the plugin is back.
  if (active_) deactivatePlugin();
  const clap_plugin_t* p = plugin_->plugin();
  plugin_->sampleRate = sampleRate;
  plugin_->minFrames = minFrames;
  plugin_->maxFrames = maxFrames;
  if (!p->activate(p, sampleRate, minFrames, maxFrames)) return false;
  active_ = true;
  bool started;
  {
    Clap::AudioThreadOverride audioThread;
    started = p->start_processing(p);
  }
  if (!started) {
    p->deactivate(p);
    active_ = false;
    return false;
  }
  processing_ = true;
  lockAudio();
  callbackAcknowledged_.store(false);
  callbackEnabled_.store(true);
  unlockAudio();
  return true;
}

void StandaloneHost::deactivatePlugin() {
  quiesceAudio();
  const clap_plugin_t* p = plugin_ ? plugin_->plugin() : nullptr;
  if (processing_ && p) {
    Clap::AudioThreadOverride audioThread;
    p->stop_processing(p);
  }
  processing_ = false;
  if (active_ && p) p->deactivate(p);
  active_ = false;
}

void StandaloneHost::quiesceAudio() {
  // Taking the lock waits out a callback in progress; none processes after it is released.
  lockAudio();
  callbackEnabled_.store(false);
  unlockAudio();
  if (!audioBackend_ || !audioBackend_->isStreamRunning()) return;
  for (int step = 0; step < kQuiesceSteps && audioBackend_->isStreamRunning() && !callbackAcknowledged_.load();
       ++step) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

void StandaloneHost::stopAudio() {
  quiesceAudio();
  if (audioBackend_) audioBackend_->closeStream();
  choice_.openInputChannels = choice_.openOutputChannels = 0;
  deactivatePlugin();
}

// --- Starting -------------------------------------------------------------------------

void StandaloneHost::startAudio(const std::string& inputDeviceId, uint32_t inputChannels, bool useInput,
                                const std::string& outputDeviceId, uint32_t outputChannels, bool useOutput,
                                int32_t sampleRate) {
  lastError_.clear();
  try {
    startAudioUnreported(inputDeviceId, inputChannels, useInput, outputDeviceId, outputChannels, useOutput,
                         sampleRate);
  } catch (const std::exception& error) {
    lastError_ = error.what();
    stopAudio();
  } catch (...) {
    lastError_ = "Unknown error while starting audio";
    stopAudio();
  }
  if (!lastError_.empty() && callbacks.errorReport && restartsInProgress_.load() == 0) {
    callbacks.errorReport(lastError_);
  }
}

void StandaloneHost::startAudioWithCurrentChoice() {
  startAudio(choice_.inputDeviceId, choice_.inputChannels, choice_.inputUsed, choice_.outputDeviceId,
             choice_.outputChannels, choice_.outputUsed, choice_.sampleRate);
}

void StandaloneHost::startAudioUnreported(const std::string& inputDeviceId, uint32_t inputChannels, bool useInput,
                                          const std::string& outputDeviceId, uint32_t outputChannels,
                                          bool useOutput, int32_t sampleRate) {
  if (!audioBackend_) selectAudioApi(choice_.apiName);
  if (!audioBackend_) {
    lastError_ = "This standalone has no audio api";
    return;
  }
  quiesceAudio();
  // The old stream is of no use once quiet: it is replaced or, when nothing can start, closed.
  audioBackend_->closeStream();
  streamLost_.store(0);
  streamFailed_.store(0);
  choice_.openInputChannels = choice_.openOutputChannels = 0;
  choice_.inputDeviceId = inputDeviceId;
  choice_.outputDeviceId = outputDeviceId;
  choice_.inputUsed = useInput;
  choice_.outputUsed = useOutput;
  choice_.inputChannels = inputChannels;
  choice_.outputChannels = outputChannels;

  const auto& devices = audioBackend_->devices();
  const AudioDeviceInfo* input = useInput ? findDeviceById(devices, inputDeviceId) : nullptr;
  const AudioDeviceInfo* output = useOutput ? findDeviceById(devices, outputDeviceId) : nullptr;
  if (input && input->inputChannels == 0) input = nullptr;
  if (output && output->outputChannels == 0) output = nullptr;
  const bool inputUsed = input != nullptr;
  const bool outputUsed = output != nullptr;
  if (!inputUsed && !outputUsed) {
    lastError_ = "No audio input or output device is available";
    return;
  }

  StreamParameters params;
  if (inputUsed) {
    const uint32_t first = choice_.firstInputChannel < input->inputChannels ? choice_.firstInputChannel : 0;
    choice_.firstInputChannel = first;
    params.inputDeviceId = input->id;
    params.firstInputChannel = first;
    params.inputChannels = std::min(input->inputChannels - first, std::max<uint32_t>(1, inputChannels));
  }
  if (outputUsed) {
    const uint32_t first = choice_.firstOutputChannel < output->outputChannels ? choice_.firstOutputChannel : 0;
    choice_.firstOutputChannel = first;
    params.outputDeviceId = output->id;
    params.firstOutputChannel = first;
    params.outputChannels = std::min(output->outputChannels - first, std::max<uint32_t>(1, outputChannels));
  }
  int64_t rate = preferredRate(outputUsed ? *output : *input, sampleRate);
  if (rate < 1) rate = kFallbackRate;
  if (choice_.bufferSize == 0) choice_.bufferSize = kDefaultBufferFrames;
  params.sampleRate = uint32_t(rate);
  params.bufferFrames = choice_.bufferSize;

  StreamResult result;
  std::string error;
  if (!audioBackend_->openStream(params, result, error)) {
    lastError_ = error.empty() ? "Unable to open the audio stream" : error;
    return;
  }
  if (result.sampleRate != 0) rate = result.sampleRate;
  if (result.blockFrames != 0) choice_.bufferSize = result.blockFrames;
  choice_.sampleRate = int32_t(rate);
  choice_.stream = result;
  const uint32_t maxFrames = std::max(result.maxCallbackFrames, std::max<uint32_t>(1, 2 * choice_.bufferSize));
  if (!activatePlugin(double(rate), 1, maxFrames)) {
    lastError_ = "The plugin failed to activate";
    audioBackend_->closeStream();
    return;
  }
  choice_.openInputChannels = inputUsed ? result.inputChannels : 0;
  choice_.openOutputChannels = outputUsed ? result.outputChannels : 0;
  error.clear();
  if (!audioBackend_->startStream(this, error)) {
    lastError_ = error.empty() ? "Unable to start the audio stream" : error;
    audioBackend_->closeStream();
    choice_.openInputChannels = choice_.openOutputChannels = 0;
    deactivatePlugin();
  }
}

bool StandaloneHost::restartAudio(int32_t sampleRate) {
  if (!audioBackend_) return false;
  const auto& devices = audioBackend_->devices();
  if (choice_.inputUsed && !findDeviceById(devices, choice_.inputDeviceId)) return false;
  if (choice_.outputUsed && !findDeviceById(devices, choice_.outputDeviceId)) return false;
  ++restartsInProgress_;
  startAudio(choice_.inputDeviceId, choice_.inputChannels, choice_.inputUsed && layout_.inputChannels > 0,
             choice_.outputDeviceId, choice_.outputChannels, choice_.outputUsed && layout_.outputChannels > 0,
             sampleRate);
  --restartsInProgress_;
  return audioRunsWithChannels();
}

// --- The stored choice ------------------------------------------------------------------

void StandaloneHost::applySettings() {
  if (!selectAudioApi(settings_.audioApiName) || !audioBackend_) return;
  const auto& devices = audioBackend_->devices();
  const StandaloneSettings& s = settings_;

  auto pick = [&](DeviceSide side, const std::string& id, const std::string& name) -> const AudioDeviceInfo* {
    const AudioDeviceInfo* device = nullptr;
    if (!id.empty() || !name.empty()) device = findStoredDevice(devices, side, id, name);
    if (!device) {
      const std::string fallback =
          side == DeviceSide::Output ? audioBackend_->defaultOutputDevice() : audioBackend_->defaultInputDevice();
      device = findDeviceById(devices, fallback);
      if (device && channelsOn(*device, side) == 0) device = nullptr;
    }
    return device;
  };
  const AudioDeviceInfo* output = pick(DeviceSide::Output, s.outputDeviceId, s.outputDeviceName);
  const AudioDeviceInfo* input = pick(DeviceSide::Input, s.inputDeviceId, s.inputDeviceName);

  const bool monoInput = layout_.mainInput >= 0 && layout_.channels[uint32_t(layout_.mainInput)] == 1;
  const ChannelChoice outputChannels =
      storedChannelChoice(output ? output->outputChannels : 0, false, s.outputFirstChannel);
  const ChannelChoice inputChannels =
      storedChannelChoice(input ? input->inputChannels : 0, monoInput, s.inputFirstChannel);

  choice_.outputDeviceId = output ? output->id : std::string();
  choice_.inputDeviceId = input ? input->id : std::string();
  choice_.firstOutputChannel = outputChannels.first;
  choice_.outputChannels = std::max<uint32_t>(1, outputChannels.count);
  choice_.firstInputChannel = inputChannels.first;
  choice_.inputChannels = std::max<uint32_t>(1, inputChannels.count);
  choice_.outputUsed = s.audioOutputUsed && output;
  // A microphone opens only when it was chosen, never for being the system default.
  const bool chosenMicrophone =
      input && (s.inputDeviceId == input->id || (!s.inputDeviceName.empty() &&
                                                  (s.inputDeviceName == input->legacyName || s.inputDeviceName == input->name)));
  choice_.inputUsed = s.audioInputUsed && input && (!input->isMicrophone || chosenMicrophone);
  choice_.sampleRate = s.sampleRate;
  choice_.bufferSize = std::min(s.bufferSize, kLargestOfferedBuffer);
}

// --- Recovery ---------------------------------------------------------------------------

void StandaloneHost::onBackendEvent(AudioBackendEvent event, const std::string& message) {
  switch (event) {
    case AudioBackendEvent::StreamStopped:
    case AudioBackendEvent::StreamFailed: {
      std::lock_guard<std::mutex> lock(pendingLock_);
      pendingMessage_ = message;
      (event == AudioBackendEvent::StreamStopped ? streamLost_ : streamFailed_).store(1);
      break;
    }
    case AudioBackendEvent::DeviceListChanged: deviceListChanged_.store(1); break;
    case AudioBackendEvent::DefaultDeviceChanged: defaultDeviceChanged_.store(1); break;
  }
}

void StandaloneHost::pollAudioEvents() {
  if (!audioBackend_) return;
  const bool lost = streamLost_.exchange(0) != 0;
  const bool failed = streamFailed_.exchange(0) != 0;
  if (lost || failed) {
    std::string message;
    {
      std::lock_guard<std::mutex> lock(pendingLock_);
      message = std::move(pendingMessage_);
      pendingMessage_.clear();
    }
    const bool wasActive = active_;
    const int32_t oldRate = choice_.sampleRate;
    stopAudio();
    lastError_ = message;
    retryPending_ = wasActive;
    retryCount_ = 0;
    nextRetry_ = environment_.steadyNanos() + kSecond;
    if (failed && wasActive) {
      // The device may have changed its format: try at once with its new rate.
      audioBackend_->invalidateDevices();
      const auto& devices = audioBackend_->devices();
      const AudioDeviceInfo* device = findDeviceById(devices, choice_.outputUsed ? choice_.outputDeviceId
                                                                                : choice_.inputDeviceId);
      int32_t rate = oldRate;
      if (device && device->currentRate != 0 && int32_t(device->currentRate) != oldRate) {
        rate = int32_t(device->currentRate);
      }
      retryPending_ = !restartAudio(rate);
    }
    if (retryPending_ && callbacks.errorReport && !message.empty()) callbacks.errorReport(message);
  }

  const bool defaultChanged = defaultDeviceChanged_.exchange(0) != 0;
  if (defaultChanged) {
    audioBackend_->invalidateDevices();
    audioBackend_->devices();
  }

  // One attempt per tick at most. After the last one the retry stays pending, so that
  // a new default device still brings one more; it never loops.
  if (retryPending_ && !audioRunsWithChannels()) {
    const int64_t now = environment_.steadyNanos();
    const bool due = retryCount_ < kRetryLimit && now >= nextRetry_;
    if (due || defaultChanged) {
      ++retryCount_;
      nextRetry_ = now + kSecond * (int64_t(1) << std::min(retryCount_, 4));
      audioBackend_->invalidateDevices();
      if (restartAudio(choice_.sampleRate)) retryPending_ = false;
    }
  } else if (retryPending_) {
    retryPending_ = false;
  }

  if (defaultChanged && callbacks.deviceListChanged) callbacks.deviceListChanged();
}

}  // namespace strobe95::standalone
