#include "LinuxEnvironment.h"

#include <alsa/asoundlib.h>

#include <filesystem>
#include <system_error>

#include "AlsaAudioBackend.h"
#include "JackAudioBackend.h"
#include "LinuxMidiBackend.h"
#include "SettingsLocation.h"

namespace strobe95::standalone::linux_standalone {

namespace {

void quiet(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

HostEnvironment linuxEnvironment() {
  // alsa-lib's own messages (no sequencer, a device busy, an underrun) say nothing the
  // program does not say itself.
  snd_lib_error_set_handler(quiet);
  HostEnvironment environment = platformEnvironment();
  environment.audioApis = {{kJackApiId, "JACK", makeJackAudioBackend}, {kAlsaApiId, "ALSA", makeAlsaAudioBackend}};
  environment.createMidiBackend = [] { return std::unique_ptr<MidiBackend>(std::make_unique<LinuxMidiBackend>()); };
  environment.offersTimers = true;  // the faceplate's web view is pumped by them
  environment.localAppData = []() -> std::optional<std::filesystem::path> {
    auto folder = localAppDataFolder();
    // A new account may have no ~/.config yet; the host makes only its own folder in it.
    std::error_code ignored;
    if (folder) std::filesystem::create_directories(*folder, ignored);
    return folder;
  };
  return environment;
}

}  // namespace strobe95::standalone::linux_standalone
