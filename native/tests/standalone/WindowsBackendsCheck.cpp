// The Windows audio and MIDI layers under Wine, whose ALSA device records what it plays
// to a file: the endpoints as Wine reports them, streams at the endpoint's rate and at
// another, the buffer cap, the channel-window error, a capture-only stream and a played
// tone found sample for sample in the recording; and, with no device at all, the audio
// layer's refusals and the MIDI layer without ports. Then the standalone host plays the
// plugin through its own entry on that device: the render thread's time per period with
// 16 voices sounding, and a stream that falls silent behind the render thread's back
// ending in the host's recovery, which brings the stream back. Prints one line a check
// and "N failures" last.
//
//   strobe95_windows_backends_check.exe <recording> (Windows path of the raw file the device writes)
//   strobe95_windows_backends_check.exe --no-devices (run with no audio device at all)
#include <windows.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <cstring>
#include <string>
#include <vector>

#include "StandaloneHost.h"
#include "WasapiBackend.h"
#include "WinMmMidiBackend.h"

extern "C" const clap_plugin_entry_t clap_entry;

using namespace strobe95::standalone;

namespace {

int failures = 0;

void check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
  std::fflush(stdout);
  if (!ok) ++failures;
}

// A ramp that float, 32-bit integers and the scale of 2^31 all hold exactly.
float toneAt(uint64_t frame) { return float(int64_t(frame % 2000) - 1000) / 2048.0f; }

class Tone final : public AudioStreamCallback {
 public:
  void onAudio(const float* const*, uint32_t, float* const* outputs, uint32_t outputCount, uint32_t frames) override {
    for (uint32_t i = 0; i < frames; ++i, ++frame_) {
      if (outputCount > 0) outputs[0][i] = toneAt(frame_);
      if (outputCount > 1) outputs[1][i] = -toneAt(frame_);
    }
    calls.fetch_add(1);
  }
  std::atomic<int> calls{0};

 private:
  uint64_t frame_ = 0;
};

class Counter final : public AudioStreamCallback {
 public:
  void onAudio(const float* const* inputs, uint32_t inputCount, float* const* outputs, uint32_t outputCount,
               uint32_t) override {
    if (inputs && inputCount > 0 && !outputs && outputCount == 0) calls.fetch_add(1);
  }
  std::atomic<int> calls{0};
};

const AudioDeviceInfo* firstWith(const std::vector<AudioDeviceInfo>& devices, bool output) {
  for (const auto& d : devices) {
    if (output ? d.outputChannels > 0 : d.inputChannels > 0) return &d;
  }
  return nullptr;
}

void checkWithoutDevices(AudioBackend& backend) {
  check(backend.devices().empty(), "no audio device, no device record");
  check(backend.defaultOutputDevice().empty() && backend.defaultInputDevice().empty(), "and no default device");
  StreamParameters params;
  StreamResult result;
  std::string error;
  bool opened = backend.openStream(params, result, error);
  check(!opened && error == "No audio device was chosen.", "opening nothing says so: " + error);
  params.outputDeviceId = "{gone}";
  params.outputChannels = 2;
  opened = backend.openStream(params, result, error);
  check(!opened && error == "The audio device {gone} is not there.", "a device that is not there says so: " + error);
}

void checkWithDevices(AudioBackend& backend, const std::string& recording) {
  const auto& devices = backend.devices();
  const AudioDeviceInfo* out = firstWith(devices, true);
  const AudioDeviceInfo* in = firstWith(devices, false);
  check(devices.size() == 2 && out && in, "one render and one capture endpoint (" + std::to_string(devices.size()) + ")");
  if (!out || !in) return;
  std::printf("output %s: %u channels at %u Hz; input %s: %u channels\n", out->name.c_str(), out->outputChannels,
              out->currentRate, in->name.c_str(), in->inputChannels);
  check(out->isDefaultOutput && backend.defaultOutputDevice() == out->id, "the render endpoint is the default output");
  check(in->isDefaultInput && backend.defaultInputDevice() == in->id, "the capture endpoint is the default input");
  check(out->currentRate == 48000 && out->rates.front() == 4000 && out->rates.back() == 192000,
        "rates from 4000 to 192000 with the mix rate 48000");

  StreamParameters params;
  params.outputDeviceId = out->id;
  params.outputChannels = 2;
  StreamResult result;
  std::string error;
  for (const uint32_t rate : {48000u, 44100u}) {
    params.sampleRate = rate;
    const bool opened = backend.openStream(params, result, error);
    check(opened && result.sampleRate == rate && result.blockFrames > 0,
          "a stream opens at " + std::to_string(rate) + " Hz on the 48 kHz endpoint " + error);
  }
  params.sampleRate = 48000;
  for (const uint32_t buffer : {0u, 128u, 256u, 512u, 1024u, 4096u, 8192u}) {
    params.bufferFrames = buffer;
    const bool opened = backend.openStream(params, result, error);
    check(opened && result.blockFrames == (buffer == 0 ? result.blockFrames : std::min(buffer, 4096u)),
          "buffer " + std::to_string(buffer) + " gives blocks of " + std::to_string(result.blockFrames) +
              " frames, output latency " + std::to_string(result.outputLatency) + " frames");
  }
  params.bufferFrames = 0;

  params.firstOutputChannel = 1;
  const bool wide = backend.openStream(params, result, error);
  check(!wide &&
            error == "The audio device " + out->name + " has " + std::to_string(out->outputChannels) +
                         " channels, not 3.",
        "a channel window past the endpoint's channels says so: " + error);
  params.firstOutputChannel = 0;

  // Capture only: the capture event drives the callback, with no output buffers.
  StreamParameters capture;
  capture.inputDeviceId = in->id;
  capture.inputChannels = 1;
  Counter counter;
  error.clear();
  const bool captured = backend.openStream(capture, result, error) && backend.startStream(&counter, error);
  Sleep(500);
  backend.closeStream();
  check(captured && counter.calls.load() > 0,
        "a capture-only stream calls back with input alone (" + std::to_string(counter.calls.load()) + " calls) " +
            error);

  // The tone: half a second, then the recording must hold it frame for frame.
  DeleteFileA(recording.c_str());
  Tone tone;
  params.bufferFrames = 256;
  error.clear();
  const bool played = backend.openStream(params, result, error) && backend.startStream(&tone, error);
  Sleep(700);
  backend.closeStream();
  check(played && tone.calls.load() > 10, "the tone plays (" + std::to_string(tone.calls.load()) + " blocks) " + error);
  Sleep(300);

  FILE* file = std::fopen(recording.c_str(), "rb");
  std::vector<int32_t> samples;
  if (file) {
    int32_t buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, sizeof(int32_t), 4096, file)) > 0) samples.insert(samples.end(), buffer, buffer + n);
    std::fclose(file);
  }
  // The device's format is what Wine and ALSA agreed on: 32-bit float or 32-bit integer
  // samples, interleaved. Find the ramp's start (-1000/2048 left, +1000/2048 right) in
  // either reading, then compare frame for frame.
  const auto asFloat = [](float v) {
    int32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
  };
  const auto asInteger = [](float v) { return int32_t(int64_t(double(v) * 2147483648.0)); };
  size_t best = 0;
  const char* format = "neither 32-bit float nor integer";
  for (const bool floats : {true, false}) {
    const auto expected = [&](uint64_t frame, int channel) {
      const float v = channel == 0 ? toneAt(frame) : -toneAt(frame);
      return floats ? asFloat(v) : asInteger(v);
    };
    size_t start = samples.size();
    for (size_t i = 0; i + 1 < samples.size(); i += 2) {
      if (samples[i] == expected(0, 0) && samples[i + 1] == expected(0, 1)) {
        start = i;
        break;
      }
    }
    size_t matched = 0;
    for (size_t i = start; i + 1 < samples.size() && matched < 48000; i += 2, ++matched) {
      if (samples[i] != expected(matched, 0) || samples[i + 1] != expected(matched, 1)) break;
    }
    if (matched > best) {
      best = matched;
      format = floats ? "32-bit float" : "32-bit integer";
    }
  }
  check(best >= 12000, "the recording (" + std::string(format) + ") holds the tone sample for sample for " +
                           std::to_string(best) + " frames (of " + std::to_string(samples.size() / 2) + " recorded)");
}

// Wine has no MIDI ports here: the lists are empty and asking for ports opens none.
void checkMidiWithoutPorts() {
  auto midi = makeWinMmMidiBackend();
  check(midi->id() == "winmm" && midi->inputPorts().empty() && midi->outputPorts().empty(),
        "the MIDI layer lists no ports where there are none");
  int received = 0;
  const auto opened = midi->openInputs({"Keys#1"}, [&](const uint8_t*, size_t) { ++received; });
  check(opened.empty() && midi->openOutputs({"Synth#1"}).empty() && midi->openInputs({}, nullptr).empty(),
        "asking for ports that are not there opens none");
  check(!midi->supportsVirtualPorts() && midi->openVirtualInput("") && !midi->openVirtualInput("STROBE-95 Virtual In") &&
            !midi->openVirtualOutput("STROBE-95 Virtual Out"),
        "no virtual ports, and nothing to make for an empty name");
  const uint8_t note[] = {0x90, 60, 100};
  const uint8_t sysex[] = {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7};
  midi->send(note, 3);
  midi->send(sysex, sizeof sysex);
  midi->send(nullptr, 0);
  check(received == 0, "sending with no output open does nothing");
}


// Forwards the render thread's periods to the host and times each one.
class TimedHost final : public AudioStreamCallback {
 public:
  explicit TimedHost(StandaloneHost& host) : host_(host) { QueryPerformanceFrequency(&frequency_); }
  void onAudio(const float* const* inputs, uint32_t inputCount, float* const* outputs, uint32_t outputCount,
               uint32_t frames) override {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    host_.onAudio(inputs, inputCount, outputs, outputCount, frames);
    QueryPerformanceCounter(&end);
    const uint32_t n = count.load(std::memory_order_relaxed);
    if (n < micros.size()) {
      micros[n] = double(end.QuadPart - start.QuadPart) * 1e6 / double(frequency_.QuadPart);
      count.store(n + 1, std::memory_order_release);
    }
    for (uint32_t i = 0; outputCount > 0 && i < frames; ++i) peak = std::max(peak, std::fabs(outputs[0][i]));
  }
  std::array<double, 8192> micros{};
  std::atomic<uint32_t> count{0};
  float peak = 0;

 private:
  StandaloneHost& host_;
  LARGE_INTEGER frequency_{};
};

// Runs the host's main-thread service every 8 ms, as the main window does, until done()
// or the time is up; answers the milliseconds it took.
template <typename Done>
int64_t serviceUntil(StandaloneHost& host, int limitMs, Done done) {
  const auto start = std::chrono::steady_clock::now();
  const auto elapsed = [&] {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  };
  while (!done() && elapsed() < limitMs) {
    host.mainThreadService();
    Sleep(8);
  }
  return elapsed();
}

void checkHostOnWasapi() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::filesystem::path folder = std::filesystem::path(temp) / L"strobe95-wasapi-host";
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  HostEnvironment environment = platformEnvironment();
  environment.localAppData = [folder] { return std::optional<std::filesystem::path>(folder); };
  StandaloneHost::setEnvironment(environment);
  const char* argv[] = {"STROBE-95.exe"};
  auto plugin = createStandalonePlugin(&clap_entry, "co.glowhaus.strobe95", 0, 1, argv);
  check(plugin != nullptr, "the host creates the plugin through the program's own entry");
  if (!plugin) return;
  StandaloneHost& host = StandaloneHost::instance();
  std::string reported;
  host.callbacks.errorReport = [&](const std::string& message) { reported = message; };
  host.applySettings();
  host.startAudioWithCurrentChoice();
  AudioBackend* backend = host.audioBackend();
  check(host.lastError().empty() && host.audioRunsWithChannels() && backend && backend->isStreamRunning(),
        "the host plays on the default endpoint through WASAPI " + host.lastError());
  if (!backend || !backend->isStreamRunning()) return;

  for (uint8_t key = 40; key < 56; ++key) {
    const uint8_t noteOn[3] = {0x90, key, 100};
    host.receiveMidi(noteOn, 3);
  }
  serviceUntil(host, 300, [] { return false; });

  // The same stream again, with each period timed on its way through the host.
  const AudioChoice choice = host.audioChoice();
  StreamParameters params;
  params.outputDeviceId = choice.outputDeviceId;
  params.outputChannels = choice.openOutputChannels;
  params.sampleRate = uint32_t(choice.sampleRate);
  params.bufferFrames = choice.bufferSize;
  backend->closeStream();
  TimedHost timed(host);
  StreamResult result;
  std::string error;
  const bool timing = backend->openStream(params, result, error) && backend->startStream(&timed, error);
  serviceUntil(host, 2000, [] { return false; });
  backend->closeStream();
  const uint32_t periods = timed.count.load(std::memory_order_acquire);
  double total = 0, longest = 0;
  for (uint32_t i = 0; i < periods; ++i) {
    total += timed.micros[i];
    longest = std::max(longest, timed.micros[i]);
  }
  const double periodMicros = 1e6 * result.blockFrames / std::max(1u, result.sampleRate);
  char line[256];
  std::snprintf(line, sizeof line,
                "16 voices sound through the render thread (peak %.2f): %u periods of %u frames at %u Hz "
                "(%.0f us), %.1f us on average, %.1f us at most",
                timed.peak, periods, result.blockFrames, result.sampleRate, periodMicros,
                periods ? total / periods : 0.0, longest);
  check(timing && periods > 50 && timed.peak > 0.01f, line + (error.empty() ? "" : " " + error));

  // A device that falls silent is lost once the 2 s watch runs out; the host reports
  // the loss and brings the stream back on its first retry, a second later.
  host.startAudioWithCurrentChoice();
  check(backend->isStreamRunning(), "the host's own stream runs again " + host.lastError());
  silenceWasapiStream(*backend);
  const int64_t lostAfter = serviceUntil(host, 4000, [&] { return host.retryPending(); });
  const std::string lossText = "was disconnected, disabled, stopped responding, or its format was changed.";
  check(host.retryPending() && reported.find(lossText) != std::string::npos && lostAfter <= 2500,
        "a stream that falls silent is reported lost after " + std::to_string(lostAfter) + " ms: " + reported);
  const int64_t backAfter =
      serviceUntil(host, 4000, [&] { return !host.retryPending() && backend->isStreamRunning(); });
  check(!host.retryPending() && backend->isStreamRunning() && host.audioRunsWithChannels() && host.retryCount() == 1 &&
            backAfter >= 900,
        "the first retry brings the stream back after " + std::to_string(backAfter) + " ms");

  plugin.reset();
  StandaloneHost::shutdown();
  std::filesystem::remove_all(folder, ignored);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::printf("usage: strobe95_windows_backends_check.exe <recording> | --no-devices\n");
    return 2;
  }
  check(audioApis().size() == 1 && audioApis()[0].id == "wasapi" && audioApis()[0].displayName == "WASAPI",
        "the registry holds WASAPI");
  auto backend = audioApis()[0].create();
  if (std::strcmp(argv[1], "--no-devices") == 0) {
    checkWithoutDevices(*backend);
    checkMidiWithoutPorts();
  } else {
    checkWithDevices(*backend, argv[1]);
  }
  backend.reset();
  if (std::strcmp(argv[1], "--no-devices") != 0) checkHostOnWasapi();
  std::printf("%d failures\n", failures);
  return failures == 0 ? 0 : 1;
}
