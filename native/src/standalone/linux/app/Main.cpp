// strobe-95: the plugin's own code hosted in-process through its own entry, on JACK or
// ALSA, in a window with the faceplate or as a sound module that plays until it is
// interrupted or terminated.
#include <gtk/gtk.h>
#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "DeviceListing.h"
#include "AlsaAudioBackend.h"
#include "JackAudioBackend.h"
#include "LinuxMidiBackend.h"
#include "MainWindow.h"
#include "LinuxEnvironment.h"
#include "StandaloneHost.h"
#include "SystemDefaults.h"
#include "Version.h"

extern "C" const clap_plugin_entry_t clap_entry;

namespace {

using namespace strobe95::standalone;
using namespace strobe95::standalone::linux_standalone;

constexpr const char* kPluginId = "co.glowhaus.strobe95";
constexpr int kExitUsage = 2;
constexpr int kExitNoDisplay = 3;
constexpr int kExitNoPlugin = 4;
constexpr long kServicePeriodNs = 8'000'000;  // the host's 8 ms service

void say(const std::string& message) { std::fprintf(stderr, "strobe-95: %s\n", message.c_str()); }

bool displayPresent() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

void takeFirstLaunchDefaults(StandaloneHost& host) {
  host.selectAudioApi(jackServerAnswers() ? kJackApiId : kAlsaApiId);
  chooseSystemDefaults(host);
  try {
    if (!host.saveSettings()) say("unable to save the settings file");
  } catch (const std::exception& error) {
    say(std::string("unable to save the settings file: ") + error.what());
  }
}

// Runs the host's service until SIGINT or SIGTERM arrives, which every thread blocks so
// that it is taken here.
void playUntilStopped(StandaloneHost& host, const sigset_t& stopSignals, LinuxMidiBackend* midi) {
  const timespec period{0, kServicePeriodNs};
  for (;;) {
    const int signal = sigtimedwait(&stopSignals, nullptr, &period);
    if (signal == SIGINT || signal == SIGTERM) return;
    host.mainThreadService();
    if (midi) midi->followPorts(host);
  }
}

int run(int argc, char** argv) {
  const CommandLine line = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (line.unknown) {
    say("unknown argument '" + *line.unknown + "' (see strobe-95 --help)");
    return kExitUsage;
  }
  if (line.help) {
    std::fputs(helpText(strobe95::kPluginVersion).c_str(), stdout);
    return 0;
  }
  const HostEnvironment environment = linuxEnvironment();
  if (line.listDevices) {
    listAudioDevices(argc, argv, environment.audioApis, environment.createMidiBackend);
    return 0;
  }
  if (!line.noWindow) {
    if (!displayPresent()) {
      say("there is no display to open the window on; 'strobe-95 --no-window' plays without one");
      return kExitNoDisplay;
    }
    // The faceplate embeds through X11, under Wayland by way of XWayland. The name ties
    // the window to the desktop entry.
    g_set_prgname("strobe-95");
    gdk_set_allowed_backends("x11");
    if (!gtk_init_check(&argc, &argv)) {
      say("unable to open the display; 'strobe-95 --no-window' plays without one");
      return kExitNoDisplay;
    }
  }

  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  // A sound module takes the signals in its loop; the window takes them in GTK's.
  if (line.noWindow) pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);  // before any thread starts

  StandaloneHost::setEnvironment(environment);
  StandaloneHost& host = StandaloneHost::instance();
  host.callbacks.errorReport = [](const std::string& message) { say(message); };
  auto plugin = createStandalonePlugin(&clap_entry, kPluginId, 0, argc, argv);
  if (!plugin) {
    StandaloneHost::shutdown();
    say("unable to create the plugin 'co.glowhaus.strobe95'");
    return kExitNoPlugin;
  }
  if (host.loadSettings()) {
    host.applySettings();
  } else {
    takeFirstLaunchDefaults(host);
  }
  host.startMidi();
  host.startAudioWithCurrentChoice();
  if (line.noWindow) {
    playUntilStopped(host, stopSignals, dynamic_cast<LinuxMidiBackend*>(host.midiBackend()));
  } else {
    MainWindow window(host, plugin);
    window.run();
  }
  plugin.reset();
  try {
    if (!host.saveSettings()) say("unable to save the settings file");
  } catch (const std::exception& error) {
    say(std::string("unable to save the settings file: ") + error.what());
  }
  // As a closed main window ends the program: the session kept, audio stopped.
  StandaloneHost::shutdown();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const std::exception& error) {
    say(std::string("stopped: ") + error.what());
    StandaloneHost::shutdown();
    return 1;
  }
}
