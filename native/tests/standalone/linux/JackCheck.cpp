// The Linux program's JACK path end to end, on a server the calling script started: the
// host core on the JACK layers with the real plugin, as strobe-95 runs it, and a second
// JACK client of this program's own that plays A4 into "midi_in" at a known frame and
// records "out_1" and "out_2". The note must sound at 440 Hz within a few cents and start
// within one period of the frame it was sent at, and the JACK process thread of the
// program's client must allocate nothing (malloc and operator new are counted on it).
#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#ifndef STROBE95_SANITIZE
#include "AllocationCounter.h"
#endif
#include "JackAudioBackend.h"
#include "JackClient.h"
#include "LinuxEnvironment.h"
#include "LinuxMidiBackend.h"
#include "StandaloneHost.h"
#include "SystemDefaults.h"

extern "C" const clap_plugin_entry_t clap_entry;

namespace {

using namespace strobe95::standalone;
using namespace strobe95::standalone::linux_standalone;

constexpr int kWarmupCycles = 40;
constexpr jack_nframes_t kNoteOffset = 100;  // where in its period the note is sent
constexpr uint8_t kA4 = 69;
constexpr double kSilence = 1e-3;
constexpr double kMostCents = 3.0;
// A plain saw: the supersaw's seven saws on one pitch, no sub, no effects to move the
// fundamental's peak.
constexpr const char* kPlainSaw =
    "STROBE-95 0.5.1\nsupersaw 1\ndetune 0\nsub 0\nchorus 0\ndelay_mix 0\nreverb_mix 0\n";

int failures = 0;
void check(bool holds, const std::string& what) {
  std::printf("%s: %s\n", holds ? "ok" : "FAILED", what.c_str());
  if (!holds) ++failures;
}

// The test's own client: sends the note, records what comes back. Its process thread
// writes only into what main made before activation.
struct Probe {
  jack_client_t* client = nullptr;
  jack_port_t* midi = nullptr;
  jack_port_t* in[2] = {};
  std::vector<float> heard[2];
  size_t recorded = 0;
  std::atomic<int> cycles{0};
  std::atomic<bool> armed{false}, done{false};
  jack_nframes_t sentAt = 0, recordStart = 0;

  static int process(jack_nframes_t frames, void* self) {
    auto& p = *static_cast<Probe*>(self);
    void* midiBuffer = jack_port_get_buffer(p.midi, frames);
    jack_midi_clear_buffer(midiBuffer);
    const jack_nframes_t start = jack_last_frame_time(p.client);
    if (p.armed.load() && p.recorded == 0 && p.sentAt == 0 && frames > kNoteOffset) {
      const uint8_t noteOn[3] = {0x90, kA4, 100};
      jack_midi_event_write(midiBuffer, kNoteOffset, noteOn, 3);
      p.sentAt = start + kNoteOffset;
      p.recordStart = start;
    }
    if (p.sentAt != 0 && !p.done.load()) {
      for (int c = 0; c < 2; ++c) {
        const auto* samples = static_cast<const float*>(jack_port_get_buffer(p.in[c], frames));
        for (jack_nframes_t i = 0; i < frames && p.recorded + i < p.heard[c].size(); ++i) {
          p.heard[c][p.recorded + i] = samples[i];
        }
      }
      p.recorded += frames;
      if (p.recorded >= p.heard[0].size()) p.done.store(true);
    }
    p.cycles.fetch_add(1);
    return 0;
  }
};

// The strongest frequency between `low` and `high`, by a fine scan of the windowed
// spectrum of a steady stretch.
double peakFrequency(const std::vector<float>& samples, size_t from, size_t count, double rate, double low,
                     double high) {
  double best = 0, bestPower = -1;
  for (double f = low; f <= high; f += 0.02) {
    double re = 0, im = 0;
    for (size_t i = 0; i < count; ++i) {
      const double window = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * double(i) / double(count - 1));
      const double phase = 2 * std::numbers::pi * f * double(i) / rate;
      re += window * samples[from + i] * std::cos(phase);
      im -= window * samples[from + i] * std::sin(phase);
    }
    if (re * re + im * im > bestPower) {
      bestPower = re * re + im * im;
      best = f;
    }
  }
  return best;
}

}  // namespace

int main() {
#ifndef STROBE95_SANITIZE  // the sanitizers count allocations their own way
  JackClient::setThreadInitForTesting([] { strobe95::test::countAllocations(true); });
#endif
  StandaloneHost::setEnvironment(linuxEnvironment());
  const char* argv[] = {"strobe-95"};
  auto plugin = createStandalonePlugin(&clap_entry, "co.glowhaus.strobe95", 0, 1, argv);
  if (!plugin) {
    std::printf("FAILED: no plugin\n");
    return 1;
  }
  StandaloneHost& host = StandaloneHost::instance();
  host.selectAudioApi(kJackApiId);
  chooseSystemDefaults(host);
  host.startMidi();
  host.startAudioWithCurrentChoice();
  check(host.audioRunsWithChannels(), "audio runs on JACK (" + host.lastError() + ")");
  {
    const std::string state = kPlainSaw;
    struct Reader {
      const std::string* text;
      size_t at = 0;
    } reader{&state};
    const clap_istream_t stream{&reader, [](const clap_istream_t* s, void* buffer, uint64_t size) -> int64_t {
                                  auto& r = *static_cast<Reader*>(s->ctx);
                                  const size_t n = std::min<size_t>(size, r.text->size() - r.at);
                                  std::memcpy(buffer, r.text->data() + r.at, n);
                                  r.at += n;
                                  return int64_t(n);
                                }};
    check(plugin->extensions().state->load(plugin->plugin(), &stream), "the plain saw loads");
  }

  Probe probe;
  probe.client = jack_client_open("strobe95-probe", JackNoStartServer, nullptr);
  if (!probe.client) {
    std::printf("FAILED: the probe finds no JACK server\n");
    return 1;
  }
  const double rate = jack_get_sample_rate(probe.client);
  const jack_nframes_t period = jack_get_buffer_size(probe.client);
  for (auto& channel : probe.heard) channel.assign(size_t(rate * 1.6), 0.0f);
  probe.midi = jack_port_register(probe.client, "midi_out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
  probe.in[0] = jack_port_register(probe.client, "in_1", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
  probe.in[1] = jack_port_register(probe.client, "in_2", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
  jack_set_process_callback(probe.client, Probe::process, &probe);
  jack_activate(probe.client);
  // "All MIDI ports" (the first launch's choice) takes the probe's output in by itself;
  // the audio is taken from the program's outputs here.
  // Another STROBE-95 may share the server (strobe-95 itself, in the calling script):
  // this host's client has the name JACK gave it.
  const std::string program = JackClient::shared()->name();
  check(jack_connect(probe.client, (program + ":out_1").c_str(), "strobe95-probe:in_1") == 0 &&
            jack_connect(probe.client, (program + ":out_2").c_str(), "strobe95-probe:in_2") == 0,
        "the probe records out_1 and out_2");
  auto* midi = dynamic_cast<LinuxMidiBackend*>(host.midiBackend());
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  auto midiConnected = [&] {
    const char** connections = jack_port_get_all_connections(probe.client, probe.midi);
    const bool connected = connections != nullptr;
    if (connections) jack_free(connections);
    return connected;
  };
  while (!probe.done.load() && std::chrono::steady_clock::now() < deadline) {
    host.mainThreadService();
    // What strobe-95's own loop does when ports appear.
    if (midi) midi->followPorts(host);
    if (!probe.armed.load() && probe.cycles.load() > kWarmupCycles && midiConnected()) probe.armed.store(true);
    std::this_thread::sleep_for(std::chrono::milliseconds(8));
  }
  check(probe.done.load(), "the probe sent A4 and recorded 1.6 s");
  jack_deactivate(probe.client);

  size_t onset = 0;
  while (onset < probe.heard[0].size() && std::fabs(probe.heard[0][onset]) < kSilence) ++onset;
  const long lateBy = long(probe.recordStart + onset) - long(probe.sentAt);
  check(onset < probe.heard[0].size() && std::labs(lateBy) <= long(period),
        "A4 starts " + std::to_string(lateBy) + " frames after it was sent (period " + std::to_string(period) + ")");
  const size_t steady = onset + size_t(rate * 0.3);
  const size_t window = size_t(rate * 1.0);
  if (steady + window <= probe.heard[0].size()) {
    for (int c = 0; c < 2; ++c) {
      const double f = peakFrequency(probe.heard[c], steady, window, rate, 420, 460);
      const double cents = 1200 * std::log2(f / 440.0);
      char text[96];
      std::snprintf(text, sizeof text, "out_%d sounds at %.2f Hz, %+.2f cents from 440", c + 1, f, cents);
      check(std::fabs(cents) <= kMostCents, text);
    }
  } else {
    check(false, "the note is too short to measure");
  }
#ifndef STROBE95_SANITIZE
  const long allocations = strobe95::test::allocationCount();
  check(allocations == 0, "the JACK process thread allocated " + std::to_string(allocations) + " times");
#endif

  jack_client_close(probe.client);
  plugin.reset();
  StandaloneHost::shutdown();
  std::printf("%s\n", failures ? "JACK check FAILED" : "JACK check passed");
  return failures ? 1 : 0;
}
