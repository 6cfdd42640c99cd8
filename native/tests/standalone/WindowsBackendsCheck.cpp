// The Windows audio and MIDI layers under Wine, whose ALSA device records what it plays
// to a file: the endpoints as Wine reports them, streams at the endpoint's rate and at
// another, the buffer cap, the channel-window error, a capture-only stream and a played
// tone found sample for sample in the recording; and, with no device at all, the audio
// layer's refusals and the MIDI layer without ports. Prints one line a check and
// "N failures" last.
//
//   strobe95_windows_backends_check.exe <recording> (Windows path of the raw file the device writes)
//   strobe95_windows_backends_check.exe --no-devices (run with no audio device at all)
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "WasapiBackend.h"
#include "WinMmMidiBackend.h"

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
  std::printf("%d failures\n", failures);
  return failures == 0 ? 0 : 1;
}
