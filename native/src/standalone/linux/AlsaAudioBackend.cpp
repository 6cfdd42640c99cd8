#include "AlsaAudioBackend.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <thread>
#include <vector>

#include "AlsaPcm.h"

namespace strobe95::standalone::linux_standalone {
namespace {

constexpr uint32_t kMaxChannels = 32;
// "default" converts to any channel count; what it plays to is almost always a pair.
constexpr uint32_t kDefaultDeviceChannels = 2;

class AlsaAudioBackend final : public AudioBackend {
 public:
  ~AlsaAudioBackend() override { closeStream(); }

  std::string id() const override { return kAlsaApiId; }
  std::string displayName() const override { return "ALSA"; }

  const std::vector<AudioDeviceInfo>& devices() override {
    if (listed_) return devices_;
    devices_.clear();
    for (const PcmDevice& pcm : listPcmDevices()) {
      const PcmCapabilities out = probePcm(pcm.id, SND_PCM_STREAM_PLAYBACK);
      const PcmCapabilities in = probePcm(pcm.id, SND_PCM_STREAM_CAPTURE);
      if (out.channels == 0 && in.channels == 0) continue;
      AudioDeviceInfo device;
      device.id = pcm.id;
      device.name = pcm.name;
      device.legacyName = pcm.id;
      const uint32_t most = pcm.id == "default" ? kDefaultDeviceChannels : kMaxChannels;
      device.outputChannels = std::min(out.channels, most);
      device.inputChannels = std::min(in.channels, most);
      device.rates = out.channels ? out.rates : in.rates;
      device.currentRate = std::count(device.rates.begin(), device.rates.end(), 48000u) ? 48000
                           : device.rates.empty()                                      ? 0
                                                                                       : device.rates.front();
      const PcmCapabilities& sizes = out.channels ? out : in;
      device.minBuffer = std::max(16u, sizes.minPeriod);
      device.maxBuffer = std::max(device.minBuffer, std::min(4096u, sizes.maxPeriod));
      device.isDefaultOutput = device.isDefaultInput = pcm.id == "default";
      device.isInterface = pcm.id != "default";
      devices_.push_back(device);
    }
    listed_ = true;
    return devices_;
  }
  void invalidateDevices() override { listed_ = false; }
  std::string defaultInputDevice() override { return "default"; }
  std::string defaultOutputDevice() override { return "default"; }

  bool openStream(const StreamParameters& params, StreamResult& result, std::string& error) override {
    closeStream();
    result = {};
    const uint32_t rate = params.sampleRate ? params.sampleRate : 48000;
    const uint32_t period = params.bufferFrames ? params.bufferFrames : 256;
    const uint32_t outputs = std::min(params.outputChannels, kMaxChannels);
    const uint32_t inputs = std::min(params.inputChannels, kMaxChannels);
    if (!params.outputDeviceId.empty() && outputs > 0) {
      if (!output_.open(params.outputDeviceId, SND_PCM_STREAM_PLAYBACK, params.firstOutputChannel + outputs, rate,
                        period, error)) {
        return false;
      }
    }
    if (!params.inputDeviceId.empty() && inputs > 0) {
      const uint32_t outputRate = output_.isOpen() ? output_.rate() : rate;
      const uint32_t outputPeriod = output_.isOpen() ? output_.period() : period;
      if (!input_.open(params.inputDeviceId, SND_PCM_STREAM_CAPTURE, params.firstInputChannel + inputs, outputRate,
                       outputPeriod, error)) {
        output_.close();
        return false;
      }
    }
    if (!output_.isOpen() && !input_.isOpen()) {
      error = "No ALSA device was asked for.";
      return false;
    }
    const PcmStream& clock = output_.isOpen() ? output_ : input_;
    frames_ = clock.period();
    firstOutput_ = params.firstOutputChannel;
    firstInput_ = params.firstInputChannel;
    outputCount_ = output_.isOpen() ? outputs : 0;
    inputCount_ = input_.isOpen() ? inputs : 0;
    for (auto& plane : planes_) plane.assign(frames_, 0.0f);
    result.sampleRate = clock.rate();
    result.blockFrames = frames_;
    result.maxCallbackFrames = frames_;
    result.outputChannels = outputCount_;
    result.inputChannels = inputCount_;
    result.outputLatency = output_.isOpen() ? frames_ * 3 : 0;
    result.inputLatency = input_.isOpen() ? frames_ : 0;
    return true;
  }

  bool startStream(AudioStreamCallback* callback, std::string& error) override {
    if (!output_.isOpen() && !input_.isOpen()) {
      error = "No audio stream is open.";
      return false;
    }
    if (running_) return true;
    running_ = true;
    stop_.store(false);
    thread_ = std::thread([this, callback] { render(callback); });
    return true;
  }

  void closeStream() override {
    stop_.store(true);
    if (thread_.joinable()) thread_.join();
    running_ = false;
    output_.close();
    input_.close();
  }
  bool isStreamOpen() const override { return output_.isOpen() || input_.isOpen(); }
  bool isStreamRunning() const override { return running_; }
  bool hasControlPanel() const override { return false; }
  bool showControlPanel() override { return false; }

 private:
  // The render thread: nothing here allocates.
  void render(AudioStreamCallback* callback) {
    const uint32_t deviceOutputs = output_.isOpen() ? output_.channels() : 0;
    const uint32_t deviceInputs = input_.isOpen() ? input_.channels() : 0;
    std::array<float*, kMaxChannels * 2> device{};
    for (uint32_t c = 0; c < planes_.size(); ++c) device[c] = planes_[c].data();
    float* const* outputPlanes = device.data();
    float* const* inputPlanes = device.data() + kMaxChannels;
    if (output_.isOpen()) output_.prepare();
    if (input_.isOpen()) input_.prepare();
    while (!stop_.load()) {
      if (input_.isOpen() && !input_.read(inputPlanes, frames_)) return lose("The ALSA input device stopped.");
      for (uint32_t c = 0; c < deviceOutputs; ++c) std::fill_n(outputPlanes[c], frames_, 0.0f);
      callback->onAudio(inputPlanes + std::min(firstInput_, deviceInputs), inputCount_,
                        outputPlanes + std::min(firstOutput_, deviceOutputs), outputCount_, frames_);
      if (output_.isOpen() && !output_.write(outputPlanes, frames_)) return lose("The ALSA output device stopped.");
    }
  }
  void lose(const char* why) { report(AudioBackendEvent::StreamStopped, why); }

  std::vector<AudioDeviceInfo> devices_;  // main thread
  bool listed_ = false;                   // main thread
  PcmStream output_, input_;              // opened on the main thread, then used by the render thread alone
  std::array<std::vector<float>, kMaxChannels * 2> planes_;  // outputs then inputs; the render thread's
  uint32_t frames_ = 0, firstOutput_ = 0, firstInput_ = 0, outputCount_ = 0, inputCount_ = 0;  // set before it starts
  std::thread thread_;                    // main thread
  std::atomic<bool> stop_{false};         // main thread stores, render thread loads
  bool running_ = false;                  // main thread
};

}  // namespace

std::unique_ptr<AudioBackend> makeAlsaAudioBackend() { return std::make_unique<AlsaAudioBackend>(); }

}  // namespace strobe95::standalone::linux_standalone
