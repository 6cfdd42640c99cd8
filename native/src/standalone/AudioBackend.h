#pragma once
// The audio layer as the host sees it: devices with their properties, one stream of an
// output and an input device, and a render thread that calls back once per period.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace strobe95::standalone {

struct AudioDeviceInfo {
  std::string id;
  std::string name;
  std::string legacyName;  // a second name, used only for matching stored choices
  uint32_t inputChannels = 0;
  uint32_t outputChannels = 0;
  std::vector<uint32_t> rates;  // ascending, unique
  uint32_t currentRate = 0;
  bool rateSettable = true;
  uint32_t minBuffer = 16;
  uint32_t maxBuffer = 4096;
  uint32_t clockDomain = 0;
  bool isDefaultInput = false;
  bool isDefaultOutput = false;
  bool isMicrophone = false;
  bool isBluetooth = false;
  bool isInterface = false;
};

struct StreamParameters {
  std::string inputDeviceId;
  uint32_t firstInputChannel = 0;
  uint32_t inputChannels = 0;
  std::string outputDeviceId;
  uint32_t firstOutputChannel = 0;
  uint32_t outputChannels = 0;
  uint32_t sampleRate = 0;    // 0: the output's rate, else the input's
  uint32_t bufferFrames = 0;  // 0: the device period
};

struct StreamResult {
  uint32_t sampleRate = 0;
  uint32_t blockFrames = 0;
  uint32_t maxCallbackFrames = 0;
  uint32_t inputChannels = 0;
  uint32_t outputChannels = 0;
  uint32_t inputLatency = 0;   // frames
  uint32_t outputLatency = 0;  // frames
};

// What the audio layer reports from its own threads.
enum class AudioBackendEvent : uint8_t {
  StreamStopped = 0,
  StreamFailed = 1,  // or the device's format changed
  DeviceListChanged = 2,
  DefaultDeviceChanged = 3,
};
using AudioEventCallback = std::function<void(AudioBackendEvent, const std::string& message)>;

class AudioStreamCallback {
 public:
  virtual ~AudioStreamCallback() = default;
  // Render thread, once per device period. Buffers are planar 32-bit float.
  virtual void onAudio(const float* const* inputs, uint32_t inputCount, float* const* outputs,
                       uint32_t outputCount, uint32_t frames) = 0;
};

class AudioBackend {
 public:
  virtual ~AudioBackend() = default;
  virtual std::string id() const = 0;
  virtual std::string displayName() const = 0;
  virtual const std::vector<AudioDeviceInfo>& devices() = 0;
  virtual void invalidateDevices() = 0;
  virtual std::string defaultInputDevice() = 0;
  virtual std::string defaultOutputDevice() = 0;
  virtual bool openStream(const StreamParameters& params, StreamResult& result, std::string& error) = 0;
  virtual bool startStream(AudioStreamCallback* callback, std::string& error) = 0;
  virtual void closeStream() = 0;
  virtual bool isStreamOpen() const = 0;
  virtual bool isStreamRunning() const = 0;
  virtual bool hasControlPanel() const = 0;
  virtual bool showControlPanel() = 0;

  // Called by the backend from its own threads; set before a stream is opened.
  void setEventCallback(AudioEventCallback callback) { eventCallback_ = std::move(callback); }

 protected:
  void report(AudioBackendEvent event, const std::string& message) const {
    if (eventCallback_) eventCallback_(event, message);
  }

 private:
  AudioEventCallback eventCallback_;  // set on the main thread before streams run
};

// One entry of the registry of audio APIs; the first entry is the default.
struct AudioApi {
  std::string id;
  std::string displayName;
  std::function<std::unique_ptr<AudioBackend>()> create;
};

}  // namespace strobe95::standalone
