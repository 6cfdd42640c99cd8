#pragma once
// "--list-audio-devices": every audio API with its devices and every MIDI port, with the
// ids, names and legacy names the settings file stores, printed for a user to read off.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AudioBackend.h"
#include "MidiBackend.h"

namespace strobe95::standalone {

inline constexpr const char* kListDevicesOption = "--list-audio-devices";

// True when an argument after the program name is exactly the option.
bool asksForDeviceListing(int argc, const char* const* argv);

std::string formatDeviceListing(const std::vector<AudioApi>& audioApis,
                                const std::function<std::unique_ptr<MidiBackend>()>& createMidiBackend);

// The command-line handler: prints the listing to standard output and returns true
// when asked for it; otherwise prints nothing and returns false.
bool listAudioDevices(int argc, const char* const* argv, const std::vector<AudioApi>& audioApis,
                      const std::function<std::unique_ptr<MidiBackend>()>& createMidiBackend);

}  // namespace strobe95::standalone
