#pragma once
// A standalone host around the real plugin, created through the program's own
// clap_entry (linked into this test program), with scripted audio and MIDI layers, a
// settings folder of its own and a clock the test moves.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>

#include "ScriptedBackends.h"
#include "StandaloneHost.h"

extern "C" const clap_plugin_entry_t clap_entry;

namespace strobe95::standalone::test {

namespace fs = std::filesystem;

inline constexpr const char* kPluginId = "co.glowhaus.strobe95";

inline fs::path freshDirectory(const char* what) {
  static std::mt19937_64 random(std::random_device{}());
  const fs::path dir = fs::temp_directory_path() / ("strobe95-" + std::string(what) + "-" + std::to_string(random()));
  fs::create_directories(dir);
  return dir;
}

inline std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void writeFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
}

class HostFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    base = freshDirectory("host");
    appData = base;
  }
  void TearDown() override {
    StandaloneHost::shutdown();
    StandaloneHost::destroyInstance();
    std::error_code ignored;
    fs::remove_all(base, ignored);
  }

  HostEnvironment environment() {
    HostEnvironment env;
    auto audioScript = audio;
    env.audioApis = {{"scripted", "Scripted", [audioScript] { return std::make_unique<ScriptedAudioBackend>(audioScript); }}};
    auto midiScript = midi;
    env.createMidiBackend = [midiScript] { return std::make_unique<ScriptedMidiBackend>(midiScript); };
    env.localAppData = [this]() -> std::optional<fs::path> { return appData; };
    auto now = clock;
    env.steadyNanos = [now] { return now->load(); };
    env.offersTimers = offersTimers;
    return env;
  }

  std::shared_ptr<Clap::Plugin> create(const clap_plugin_entry_t* entry = &clap_entry, std::string id = kPluginId) {
    StandaloneHost::setEnvironment(environment());
    const char* argv[] = {"STROBE-95.exe"};
    return createStandalonePlugin(entry, std::move(id), 0, 1, argv);
  }

  StandaloneHost& host() { return StandaloneHost::instance(); }
  fs::path settingsDirectory() const { return base / "clap-standalone-host" / kPluginId; }
  void advanceSeconds(double seconds) { clock->fetch_add(int64_t(seconds * 1e9)); }

  // Runs the service until `done` holds or about two seconds passed.
  template <typename Done>
  bool serviceUntil(Done done) {
    for (int i = 0; i < 2000 && !done(); ++i) {
      host().mainThreadService();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
  }

  fs::path base;
  std::optional<fs::path> appData;  // the local application data folder; nothing: none
  std::shared_ptr<AudioScript> audio = std::make_shared<AudioScript>();
  std::shared_ptr<MidiScript> midi = std::make_shared<MidiScript>();
  std::shared_ptr<std::atomic<int64_t>> clock = std::make_shared<std::atomic<int64_t>>(1'000'000'000'000);
  bool offersTimers = false;  // as the Linux program's environment
};

// One stereo output and one microphone, the output the system default.
inline void addStandardDevices(AudioScript& script) {
  script.devices = {scriptedDevice("out-1", "Speakers", 0, 2), scriptedDevice("in-1", "Line In", 2, 0)};
  script.defaultOutput = "out-1";
  script.defaultInput = "in-1";
}

}  // namespace strobe95::standalone::test
