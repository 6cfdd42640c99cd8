// The standalone core on Windows, under Wine: the settings folder under the known
// LocalAppData folder, files replaced whole through a rename over the old file (which the
// C runtime's rename refuses there), the state files, and the plugin played in-process
// through its own entry from a scripted render thread.
//
//   strobe95_standalone_windows_check.exe
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

#include "ScriptedBackends.h"
#include "SettingsLocation.h"
#include "StandaloneHost.h"

extern "C" const clap_plugin_entry_t clap_entry;

namespace {

using namespace strobe95::standalone;
using namespace strobe95::standalone::test;
namespace fs = std::filesystem;

int passes = 0;
int failures = 0;

void check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
  ++(ok ? passes : failures);
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

int main() {
  const auto appData = localAppDataFolder();
  check(appData.has_value(), "the LocalAppData folder is known");
  if (!appData) return 1;
  const fs::path directory = *appData / "clap-standalone-host" / "co.glowhaus.strobe95";
  std::error_code ignored;
  fs::remove_all(directory, ignored);

  auto audio = std::make_shared<AudioScript>();
  audio->devices = {scriptedDevice("out", "Speakers", 0, 2)};
  audio->defaultOutput = "out";
  HostEnvironment environment = platformEnvironment();
  environment.audioApis = {{"scripted", "Scripted", [audio] { return std::make_unique<ScriptedAudioBackend>(audio); }}};
  StandaloneHost::setEnvironment(environment);
  const char* argv[] = {"STROBE-95.exe"};
  auto plugin = createStandalonePlugin(&clap_entry, "co.glowhaus.strobe95", 0, 1, argv);
  check(plugin != nullptr, "the plugin is created through the program's own entry");
  if (!plugin) return 1;
  StandaloneHost& host = StandaloneHost::instance();
  check(host.settingsDirectory() == directory, "the settings folder is under LocalAppData");
  const std::string defaults = readFile(directory / "defaults.clapstate");
  check(defaults.rfind("STROBE-95 0.5.1\n", 0) == 0 && defaults.find('\r') == std::string::npos,
        "defaults.clapstate holds the plugin's bytes, untranslated");

  host.settings().outputDeviceName = "First";
  check(host.saveSettings(), "the settings file is written");
  host.settings().outputDeviceName = "Second";
  check(host.saveSettings(), "and replaced");
  check(readFile(directory / "standalone-settings.conf").find("outputDeviceName=Second\n") != std::string::npos,
        "the replacement holds the new record");
  bool temporaryLeft = false;
  for (const auto& entry : fs::directory_iterator(directory)) {
    temporaryLeft |= entry.path().extension() == ".tmp";
  }
  check(!temporaryLeft, "no temporary file stays");

  bool saved = false;
  try {
    saved = host.saveState(directory, "a.clapstate") && host.saveState(directory, "a.clapstate") &&
            host.loadState(directory, "a.clapstate");
  } catch (const std::exception& error) {
    std::printf("     %s\n", error.what());
  }
  check(saved && readFile(directory / "a.clapstate") == defaults, "a state file is saved over itself and loaded");

  host.applySettings();
  host.startAudioWithCurrentChoice();
  check(host.lastError().empty() && host.audioRunsWithChannels(), "audio starts on the scripted device");
  const uint8_t noteOn[3] = {0x90, 57, 110};
  host.receiveMidi(noteOn, 3);
  float peak = 0;
  for (int i = 0; i < 2000 && peak < 0.01f; ++i) {
    host.mainThreadService();
    for (float s : audio->live->lastOutput()) peak = std::max(peak, std::fabs(s));
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  check(peak >= 0.01f, "a MIDI note sounds through the render thread");

  plugin.reset();
  StandaloneHost::shutdown();
  check(fs::exists(directory / "settings.clapstate"), "shutdown keeps the session");
  fs::remove_all(directory, ignored);
  std::printf("%d passed, %d failed\n", passes, failures);
  return failures == 0 ? 0 : 1;
}
