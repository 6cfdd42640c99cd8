#include "WasapiBackend.h"

#include <initguid.h>  // first: the interface and property ids below are defined here

#include <audioclient.h>
#include <avrt.h>
#include <devicetopology.h>
#include <functiondiscoverykeys_devpkey.h>
#include <mmdeviceapi.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "InputRing.h"
#include "SampleFormat.h"

namespace strobe95::standalone {
namespace {

// The sub-formats an extensible format names; ksmedia's definitions need a library.
constexpr GUID kSubtypePcm = {0x00000001, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
constexpr GUID kSubtypeIeeeFloat = {0x00000003, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

constexpr uint32_t kStandardRates[] = {4000,  5512,  8000,  9600,  11025, 16000, 22050,
                                       32000, 44100, 48000, 88200, 96000, 176400, 192000};
constexpr uint32_t kMaxBlockFrames = 4096;
constexpr DWORD kSilentEventMs = 2000;  // a render event this late counts as device loss

template <typename T>
void release(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

std::string utf8(const wchar_t* text) {
  if (!text) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string out(size_t(size - 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
  return out;
}

std::wstring wide(const std::string& text) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
  std::wstring out(size_t(std::max(size, 1) - 1), L'\0');
  if (size > 1) MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, out.data(), size);
  return out;
}

std::string hresultText(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

SampleFormat formatOf(const WAVEFORMATEX* format) {
  SubFormat sub = SubFormat::Other;
  if (format->wFormatTag == WAVE_FORMAT_EXTENSIBLE && format->cbSize >= kExtensibleSize) {
    const GUID& subtype = reinterpret_cast<const WAVEFORMATEXTENSIBLE*>(format)->SubFormat;
    if (IsEqualGUID(subtype, kSubtypePcm)) sub = SubFormat::Pcm;
    if (IsEqualGUID(subtype, kSubtypeIeeeFloat)) sub = SubFormat::IeeeFloat;
  }
  return sampleFormatOf(format->wFormatTag, format->wBitsPerSample, format->cbSize, sub);
}

// Forwards the endpoint notifications the host cares about; system threads call it.
class NotificationClient final : public IMMNotificationClient {
 public:
  explicit NotificationClient(std::function<void()> notify) : notify_(std::move(notify)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(IMMNotificationClient))) {
      *out = static_cast<IMMNotificationClient*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE OnDeviceStateChanged(LPCWSTR, DWORD) override { return forward(); }
  HRESULT STDMETHODCALLTYPE OnDeviceAdded(LPCWSTR) override { return forward(); }
  HRESULT STDMETHODCALLTYPE OnDeviceRemoved(LPCWSTR) override { return forward(); }
  HRESULT STDMETHODCALLTYPE OnDefaultDeviceChanged(EDataFlow, ERole role, LPCWSTR) override {
    return role == eConsole ? forward() : S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnPropertyValueChanged(LPCWSTR, const PROPERTYKEY key) override {
    const PROPERTYKEY& format = PKEY_AudioEngine_DeviceFormat;
    return IsEqualGUID(key.fmtid, format.fmtid) && key.pid == format.pid ? forward() : S_OK;
  }

  void disconnect() {
    std::lock_guard<std::mutex> lock(mutex_);
    notify_ = nullptr;
  }

 private:
  HRESULT forward() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (notify_) notify_();
    return S_OK;
  }

  std::atomic<ULONG> references_{1};
  std::mutex mutex_;
  std::function<void()> notify_;  // system threads call it, under mutex_
};

// One opened endpoint of the stream. Main thread while opening and closing; the render
// thread while running.
struct Side {
  IMMDevice* device = nullptr;
  IAudioClient* client = nullptr;
  IAudioRenderClient* render = nullptr;
  IAudioCaptureClient* capture = nullptr;
  HANDLE event = nullptr;
  std::string name;
  ChannelWindow window;
  uint32_t bufferFrames = 0;
  uint32_t periodFrames = 0;
  uint32_t latencyFrames = 0;
  std::vector<std::vector<float>> buffers;  // one per stream channel, block frames each
  std::vector<float*> pointers;

  bool used() const { return client != nullptr; }
  void close() {
    if (client) client->Stop();
    release(render);
    release(capture);
    release(client);
    release(device);
    if (event) CloseHandle(event);
    event = nullptr;
    buffers.clear();
    pointers.clear();
  }
};

class WasapiBackend final : public AudioBackend {
 public:
  WasapiBackend() {
    const HRESULT init = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    uninitialise_ = SUCCEEDED(init);
    if (FAILED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL, __uuidof(IMMDeviceEnumerator),
                                reinterpret_cast<void**>(&enumerator_)))) {
      enumerator_ = nullptr;
    }
    stopEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (enumerator_) {
      notifications_ = new NotificationClient([this] { report(AudioBackendEvent::DefaultDeviceChanged, ""); });
      enumerator_->RegisterEndpointNotificationCallback(notifications_);
    }
  }

  ~WasapiBackend() override {
    closeStream();
    if (notifications_) {
      enumerator_->UnregisterEndpointNotificationCallback(notifications_);
      notifications_->disconnect();
      notifications_->Release();
    }
    release(enumerator_);
    if (stopEvent_) CloseHandle(stopEvent_);
    if (uninitialise_) CoUninitialize();
  }

  std::string id() const override { return "wasapi"; }
  std::string displayName() const override { return "WASAPI"; }

  const std::vector<AudioDeviceInfo>& devices() override {
    if (!listValid_) enumerate();
    return devices_;
  }
  void invalidateDevices() override { listValid_ = false; }
  std::string defaultInputDevice() override { return defaultId(eCapture); }
  std::string defaultOutputDevice() override { return defaultId(eRender); }

  bool openStream(const StreamParameters& params, StreamResult& result, std::string& error) override;
  bool startStream(AudioStreamCallback* callback, std::string& error) override;
  void closeStream() override;
  bool isStreamOpen() const override { return open_; }
  bool isStreamRunning() const override { return running_.load(); }
  bool hasControlPanel() const override { return false; }
  bool showControlPanel() override { return false; }

  // The render thread stops listening to the client's event, as if the device had gone
  // quiet; Wine signals a stopped client's event on, so stopping it is not enough there.
  void silenceStream() {
    if (!silentEvent_) silentEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    wakeEvent_.store(silentEvent_);
  }

 private:
  std::string defaultId(EDataFlow flow) const;
  void enumerate();
  bool record(IMMDevice* device, EDataFlow flow, AudioDeviceInfo& info) const;
  std::string nameOf(const std::string& id, bool output);
  bool openSide(Side& side, const std::string& id, bool output, uint32_t first, uint32_t count, std::string& error);
  bool initialiseSide(Side& side, uint32_t rate, uint32_t block, bool eventDriven, std::string& error);
  void renderThread();
  HRESULT period();
  std::string lossMessage(HRESULT hr) const;

  IMMDeviceEnumerator* enumerator_ = nullptr;
  NotificationClient* notifications_ = nullptr;
  bool uninitialise_ = false;
  std::vector<AudioDeviceInfo> devices_;  // main thread
  bool listValid_ = false;

  HANDLE stopEvent_ = nullptr;
  Side output_;
  Side input_;
  uint32_t rate_ = 0;
  uint32_t block_ = 0;
  InputRing ring_;  // render thread while running
  std::thread thread_;
  bool open_ = false;
  std::atomic<bool> running_{false};  // main and render thread
  std::atomic<HANDLE> wakeEvent_{nullptr};  // main sets before the render thread starts; it reads per period
  HANDLE silentEvent_ = nullptr;            // main thread: never signalled
  AudioStreamCallback* callback_ = nullptr;
};

std::string WasapiBackend::defaultId(EDataFlow flow) const {
  if (!enumerator_) return {};
  IMMDevice* device = nullptr;
  std::string id;
  if (SUCCEEDED(enumerator_->GetDefaultAudioEndpoint(flow, eConsole, &device))) {
    LPWSTR text = nullptr;
    if (SUCCEEDED(device->GetId(&text))) id = utf8(text);
    CoTaskMemFree(text);
  }
  release(device);
  return id;
}

void WasapiBackend::enumerate() {
  devices_.clear();
  listValid_ = true;
  if (!enumerator_) return;
  const std::string defaultOutput = defaultId(eRender);
  const std::string defaultInput = defaultId(eCapture);
  for (const EDataFlow flow : {eRender, eCapture}) {
    IMMDeviceCollection* collection = nullptr;
    if (FAILED(enumerator_->EnumAudioEndpoints(flow, DEVICE_STATE_ACTIVE, &collection))) continue;
    UINT count = 0;
    collection->GetCount(&count);
    for (UINT i = 0; i < count; ++i) {
      IMMDevice* device = nullptr;
      AudioDeviceInfo info;
      if (SUCCEEDED(collection->Item(i, &device)) && record(device, flow, info)) {
        info.isDefaultOutput = flow == eRender && info.id == defaultOutput;
        info.isDefaultInput = flow == eCapture && info.id == defaultInput;
        devices_.push_back(std::move(info));
      }
      release(device);
    }
    release(collection);
  }
}

bool WasapiBackend::record(IMMDevice* device, EDataFlow flow, AudioDeviceInfo& info) const {
  LPWSTR id = nullptr;
  if (FAILED(device->GetId(&id))) return false;
  info.id = utf8(id);
  CoTaskMemFree(id);
  if (info.id.empty()) return false;

  IPropertyStore* properties = nullptr;
  if (FAILED(device->OpenPropertyStore(STGM_READ, &properties))) return false;
  PROPVARIANT value;
  PropVariantInit(&value);
  if (SUCCEEDED(properties->GetValue(PKEY_Device_FriendlyName, &value)) && value.vt == VT_LPWSTR) {
    info.name = utf8(value.pwszVal);
  }
  PropVariantClear(&value);
  if (flow == eCapture && SUCCEEDED(properties->GetValue(PKEY_AudioEndpoint_FormFactor, &value)) &&
      value.vt == VT_UI4) {
    info.isMicrophone = value.ulVal == Microphone || value.ulVal == Headset || value.ulVal == Handset;
  }
  PropVariantClear(&value);
  release(properties);
  if (info.name.empty()) return false;
  info.legacyName = info.name;

  // A topology that cannot be read only leaves the Bluetooth mark off.
  IDeviceTopology* topology = nullptr;
  if (SUCCEEDED(device->Activate(__uuidof(IDeviceTopology), CLSCTX_ALL, nullptr,
                                 reinterpret_cast<void**>(&topology)))) {
    IConnector* connector = nullptr;
    LPWSTR connected = nullptr;
    if (SUCCEEDED(topology->GetConnector(0, &connector)) && SUCCEEDED(connector->GetDeviceIdConnectedTo(&connected))) {
      std::string to = utf8(connected);
      std::transform(to.begin(), to.end(), to.begin(), [](unsigned char c) { return char(std::tolower(c)); });
      info.isBluetooth = to.find("bthenum") != std::string::npos || to.find("bthhfenum") != std::string::npos ||
                         to.find("bthle") != std::string::npos;
    }
    CoTaskMemFree(connected);
    release(connector);
    release(topology);
  }

  IAudioClient* client = nullptr;
  WAVEFORMATEX* mix = nullptr;
  const bool ok = SUCCEEDED(device->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr,
                                             reinterpret_cast<void**>(&client))) &&
                  SUCCEEDED(client->GetMixFormat(&mix));
  if (ok) {
    (flow == eRender ? info.outputChannels : info.inputChannels) = mix->nChannels;
    info.currentRate = mix->nSamplesPerSec;
    info.rates.assign(std::begin(kStandardRates), std::end(kStandardRates));
    info.rates.push_back(info.currentRate);
    std::sort(info.rates.begin(), info.rates.end());
    info.rates.erase(std::unique(info.rates.begin(), info.rates.end()), info.rates.end());
  }
  CoTaskMemFree(mix);
  release(client);
  return ok;
}

std::string WasapiBackend::nameOf(const std::string& id, bool output) {
  const auto& list = devices();
  const auto onSide = [&](const AudioDeviceInfo& d) { return output ? d.outputChannels > 0 : d.inputChannels > 0; };
  for (auto field : {&AudioDeviceInfo::id, &AudioDeviceInfo::legacyName, &AudioDeviceInfo::name}) {
    for (const auto& d : list) {
      if (onSide(d) && d.*field == id) return d.name.empty() ? id : d.name;
    }
  }
  return id;
}

bool WasapiBackend::openSide(Side& side, const std::string& id, bool output, uint32_t first, uint32_t count,
                             std::string& error) {
  side.name = nameOf(id, output);
  side.window = {SampleFormat::Unusable, 0, first, count};
  if (FAILED(enumerator_->GetDevice(wide(id).c_str(), &side.device))) {
    error = "The audio device " + side.name + " is not there.";
    return false;
  }
  DWORD state = 0;
  if (FAILED(side.device->GetState(&state)) || state != DEVICE_STATE_ACTIVE) {
    error = "The audio device " + side.name + " is not connected or is disabled.";
    return false;
  }
  if (FAILED(side.device->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr,
                                   reinterpret_cast<void**>(&side.client)))) {
    side.client = nullptr;
    error = "The audio device " + side.name + " could not be opened.";
    return false;
  }
  return true;
}

bool WasapiBackend::initialiseSide(Side& side, uint32_t rate, uint32_t block, bool eventDriven, std::string& error) {
  WAVEFORMATEX* mix = nullptr;
  if (FAILED(side.client->GetMixFormat(&mix))) {
    error = "The audio device " + side.name + " does not report its format.";
    return false;
  }
  const uint32_t mixChannels = mix->nChannels;
  if (side.window.first + side.window.count > mixChannels) {
    error = "The audio device " + side.name + " has " + std::to_string(mixChannels) + " channels, not " +
            std::to_string(side.window.first + side.window.count) + ".";
    CoTaskMemFree(mix);
    return false;
  }
  REFERENCE_TIME defaultPeriod = 0, minimumPeriod = 0;
  side.client->GetDevicePeriod(&defaultPeriod, &minimumPeriod);
  const uint32_t defaultFrames = uint32_t((int64_t(defaultPeriod) * rate + 5000000) / 10000000);

  bool initialised = false;
  SampleFormat format = SampleFormat::Float32;
  if (eventDriven && rate == mix->nSamplesPerSec && block < defaultFrames) {
    IAudioClient3* client3 = nullptr;
    UINT32 defaultP = 0, fundamental = 0, minimum = 0, maximum = 0;
    if (SUCCEEDED(side.client->QueryInterface(__uuidof(IAudioClient3), reinterpret_cast<void**>(&client3))) &&
        SUCCEEDED(client3->GetSharedModeEnginePeriod(mix, &defaultP, &fundamental, &minimum, &maximum)) &&
        fundamental != 0 && minimum < maximum) {
      uint32_t frames = std::max(block, minimum);
      frames = std::min((frames + fundamental - 1) / fundamental * fundamental, maximum);
      if (SUCCEEDED(client3->InitializeSharedAudioStream(AUDCLNT_STREAMFLAGS_EVENTCALLBACK, frames, mix, nullptr))) {
        initialised = true;
        format = formatOf(mix);
        side.periodFrames = frames;
      }
    }
    if (client3 && !initialised) {
      // A failed initialisation spoils the client: the normal path needs a fresh one.
      release(side.client);
      if (FAILED(side.device->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr,
                                       reinterpret_cast<void**>(&side.client)))) {
        side.client = nullptr;
        release(client3);
        CoTaskMemFree(mix);
        error = "The audio device " + side.name + " could not be opened.";
        return false;
      }
    }
    release(client3);
  }
  if (!initialised) {
    WAVEFORMATEXTENSIBLE wanted{};
    wanted.Format.wFormatTag = WAVE_FORMAT_EXTENSIBLE;
    wanted.Format.nChannels = WORD(mixChannels);
    wanted.Format.nSamplesPerSec = rate;
    wanted.Format.wBitsPerSample = 32;
    wanted.Format.nBlockAlign = WORD(mixChannels * 4);
    wanted.Format.nAvgBytesPerSec = rate * mixChannels * 4;
    wanted.Format.cbSize = kExtensibleSize;
    wanted.Samples.wValidBitsPerSample = 32;
    wanted.dwChannelMask = mix->wFormatTag == WAVE_FORMAT_EXTENSIBLE
                               ? reinterpret_cast<const WAVEFORMATEXTENSIBLE*>(mix)->dwChannelMask
                               : 0;
    wanted.SubFormat = kSubtypeIeeeFloat;
    const uint64_t frames = eventDriven ? defaultFrames + 2ull * block : 2ull * (defaultFrames + block);
    const REFERENCE_TIME duration = REFERENCE_TIME((frames * 10000000ull + rate - 1) / rate);
    DWORD flags = AUDCLNT_STREAMFLAGS_AUTOCONVERTPCM | AUDCLNT_STREAMFLAGS_SRC_DEFAULT_QUALITY;
    if (eventDriven) flags |= AUDCLNT_STREAMFLAGS_EVENTCALLBACK;
    const HRESULT hr = side.client->Initialize(AUDCLNT_SHAREMODE_SHARED, flags, duration, 0,
                                               reinterpret_cast<WAVEFORMATEX*>(&wanted), nullptr);
    if (FAILED(hr)) {
      CoTaskMemFree(mix);
      error = "The audio device " + side.name + " could not be opened at " + std::to_string(rate) + " Hz (" +
              hresultText(hr) + ").";
      return false;
    }
    side.periodFrames = defaultFrames;
  }
  CoTaskMemFree(mix);
  if (eventDriven) {
    side.event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!side.event || FAILED(side.client->SetEventHandle(side.event))) {
      error = "The audio device " + side.name + " could not be opened.";
      return false;
    }
  }
  if (format == SampleFormat::Unusable) {
    error = "The audio device " + side.name + " has a sample format this application cannot use.";
    return false;
  }
  side.window.format = format;
  side.window.deviceChannels = mixChannels;
  UINT32 bufferFrames = 0;
  side.client->GetBufferSize(&bufferFrames);
  side.bufferFrames = bufferFrames;
  REFERENCE_TIME latency = 0;
  side.client->GetStreamLatency(&latency);
  side.latencyFrames = uint32_t((int64_t(latency) * rate + 5000000) / 10000000);
  return true;
}

bool WasapiBackend::openStream(const StreamParameters& params, StreamResult& result, std::string& error) {
  closeStream();
  result = {};
  if (!enumerator_) {
    error = "Windows audio (WASAPI) is not available.";
    return false;
  }
  const bool useOutput = !params.outputDeviceId.empty() && params.outputChannels > 0;
  const bool useInput = !params.inputDeviceId.empty() && params.inputChannels > 0;
  if (!useOutput && !useInput) {
    error = "No audio device was chosen.";
    return false;
  }
  const auto fail = [&] {
    output_.close();
    input_.close();
    return false;
  };
  if (useOutput && !openSide(output_, params.outputDeviceId, true, params.firstOutputChannel,
                             params.outputChannels, error)) {
    return fail();
  }
  if (useInput && !openSide(input_, params.inputDeviceId, false, params.firstInputChannel, params.inputChannels,
                            error)) {
    return fail();
  }
  Side& primary = useOutput ? output_ : input_;
  WAVEFORMATEX* mix = nullptr;
  if (FAILED(primary.client->GetMixFormat(&mix))) {
    error = "The audio device " + primary.name + " does not report its format.";
    return fail();
  }
  REFERENCE_TIME defaultPeriod = 0, minimumPeriod = 0;
  primary.client->GetDevicePeriod(&defaultPeriod, &minimumPeriod);
  rate_ = params.sampleRate ? params.sampleRate : mix->nSamplesPerSec;
  CoTaskMemFree(mix);
  block_ = params.bufferFrames
               ? std::min(params.bufferFrames, kMaxBlockFrames)
               : std::max<uint32_t>(1, uint32_t((int64_t(defaultPeriod) * rate_ + 5000000) / 10000000));
  if (useOutput && !initialiseSide(output_, rate_, block_, true, error)) return fail();
  if (useInput && !initialiseSide(input_, rate_, block_, !useOutput, error)) return fail();
  if (useOutput && FAILED(output_.client->GetService(__uuidof(IAudioRenderClient),
                                                     reinterpret_cast<void**>(&output_.render)))) {
    output_.render = nullptr;
    error = "The audio stream could not be opened.";
    return fail();
  }
  if (useInput && FAILED(input_.client->GetService(__uuidof(IAudioCaptureClient),
                                                   reinterpret_cast<void**>(&input_.capture)))) {
    input_.capture = nullptr;
    error = "The audio stream could not be opened.";
    return fail();
  }
  for (Side* side : {&output_, &input_}) {
    if (!side->used()) continue;
    side->buffers.assign(side->window.count, std::vector<float>(block_, 0.0f));
    for (auto& buffer : side->buffers) side->pointers.push_back(buffer.data());
  }
  ring_.reset(input_.window.count, useInput ? input_.periodFrames + 4 * block_ : 0);

  result.sampleRate = rate_;
  result.blockFrames = block_;
  result.maxCallbackFrames = block_;
  result.inputChannels = useInput ? params.inputChannels : 0;
  result.outputChannels = useOutput ? params.outputChannels : 0;
  result.outputLatency = useOutput ? (output_.bufferFrames > block_ ? output_.bufferFrames - block_ : 0) +
                                         output_.latencyFrames
                                   : 0;
  result.inputLatency = useInput ? input_.periodFrames + input_.latencyFrames : 0;
  open_ = true;
  return true;
}

bool WasapiBackend::startStream(AudioStreamCallback* callback, std::string& error) {
  if (!open_) {
    error = "No audio stream is open.";
    return false;
  }
  if (running_.load()) return true;
  callback_ = callback;
  ResetEvent(stopEvent_);
  if (output_.used()) {
    BYTE* data = nullptr;
    if (SUCCEEDED(output_.render->GetBuffer(output_.bufferFrames, &data))) {
      output_.render->ReleaseBuffer(output_.bufferFrames, AUDCLNT_BUFFERFLAGS_SILENT);
    }
  }
  for (Side* side : {&input_, &output_}) {
    if (!side->used()) continue;
    const HRESULT hr = side->client->Start();
    if (FAILED(hr)) {
      error = "The audio stream could not be started (" + hresultText(hr) + ").";
      if (input_.used()) input_.client->Stop();
      return false;
    }
  }
  running_ = true;
  wakeEvent_.store(output_.used() ? output_.event : input_.event);
  thread_ = std::thread([this] { renderThread(); });
  return true;
}

void WasapiBackend::closeStream() {
  if (thread_.joinable()) {
    SetEvent(stopEvent_);
    thread_.join();
  }
  running_ = false;
  output_.close();
  input_.close();
  ring_.reset(0, 0);
  if (silentEvent_) CloseHandle(silentEvent_);
  silentEvent_ = nullptr;
  open_ = false;
}

std::string WasapiBackend::lossMessage(HRESULT hr) const {
  const std::string& name = output_.used() ? output_.name : input_.name;
  switch (hr) {
    case AUDCLNT_E_DEVICE_INVALIDATED:
      return "The audio device " + name + " was disconnected, disabled, stopped responding, or its format was changed.";
    case AUDCLNT_E_SERVICE_NOT_RUNNING: return "The Windows audio service stopped.";
    case AUDCLNT_E_RESOURCES_INVALIDATED: return "The audio device " + name + " was reset.";
    default: return "The audio stream on " + name + " stopped (" + hresultText(hr) + ").";
  }
}

void WasapiBackend::renderThread() {
  const HRESULT init = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  DWORD taskIndex = 0;
  HANDLE task = AvSetMmThreadCharacteristicsW(L"Pro Audio", &taskIndex);
  HRESULT error = S_OK;
  for (;;) {
    const HANDLE waits[] = {stopEvent_, wakeEvent_.load(std::memory_order_relaxed)};
    const DWORD woke = WaitForMultipleObjects(2, waits, FALSE, kSilentEventMs);
    if (woke == WAIT_OBJECT_0) break;
    if (woke == WAIT_TIMEOUT) {
      error = AUDCLNT_E_DEVICE_INVALIDATED;
      break;
    }
    if (woke != WAIT_OBJECT_0 + 1) {
      error = HRESULT_FROM_WIN32(GetLastError());
      break;
    }
    error = period();
    if (FAILED(error)) break;
  }
  if (task) AvRevertMmThreadCharacteristics(task);
  if (FAILED(error)) {
    running_ = false;
    report(AudioBackendEvent::StreamStopped, lossMessage(error));
  }
  if (SUCCEEDED(init)) CoUninitialize();
}

HRESULT WasapiBackend::period() {
  if (input_.used()) {
    UINT32 packet = 0;
    for (;;) {
      HRESULT hr = input_.capture->GetNextPacketSize(&packet);
      if (FAILED(hr)) return hr;
      if (packet == 0) break;
      BYTE* data = nullptr;
      UINT32 frames = 0;
      DWORD flags = 0;
      hr = input_.capture->GetBuffer(&data, &frames, &flags, nullptr, nullptr);
      if (FAILED(hr)) return hr;
      if (flags & AUDCLNT_BUFFERFLAGS_SILENT) {
        ring_.pushSilence(frames);
      } else {
        ring_.push(data, frames, input_.window);
      }
      hr = input_.capture->ReleaseBuffer(frames);
      if (FAILED(hr)) return hr;
    }
  }
  float* const* inputs = input_.used() ? input_.pointers.data() : nullptr;
  const uint32_t inputCount = input_.used() ? input_.window.count : 0;
  if (!output_.used()) {
    while (ring_.fill() >= block_) {
      ring_.pop(input_.pointers.data(), block_);
      callback_->onAudio(inputs, inputCount, nullptr, 0, block_);
    }
    return S_OK;
  }
  const uint32_t frames = std::min(output_.bufferFrames, block_);
  for (;;) {
    UINT32 padding = 0;
    HRESULT hr = output_.client->GetCurrentPadding(&padding);
    if (FAILED(hr)) return hr;
    if (output_.bufferFrames - padding < frames) return S_OK;
    if (input_.used()) {
      ring_.trim(input_.periodFrames, block_);
      ring_.pop(input_.pointers.data(), frames);
    }
    callback_->onAudio(inputs, inputCount, output_.pointers.data(), output_.window.count, frames);
    BYTE* data = nullptr;
    hr = output_.render->GetBuffer(frames, &data);
    if (FAILED(hr)) return hr;
    writeDeviceFrames(output_.pointers.data(), frames, output_.window, data);
    hr = output_.render->ReleaseBuffer(frames, 0);
    if (FAILED(hr)) return hr;
  }
}

}  // namespace

std::unique_ptr<AudioBackend> makeWasapiBackend() { return std::make_unique<WasapiBackend>(); }

void silenceWasapiStream(AudioBackend& backend) {
  if (auto* wasapi = dynamic_cast<WasapiBackend*>(&backend)) wasapi->silenceStream();
}

const std::vector<AudioApi>& audioApis() {
  static const std::vector<AudioApi> apis = {{"wasapi", "WASAPI", makeWasapiBackend}};
  return apis;
}

}  // namespace strobe95::standalone
