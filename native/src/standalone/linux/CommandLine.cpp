#include "CommandLine.h"

#include "DeviceListing.h"

namespace strobe95::standalone::linux_standalone {

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine line;
  for (const std::string& argument : arguments) {
    if (argument == "--help" || argument == "-h") {
      line.help = true;
    } else if (argument == kListDevicesOption) {
      line.listDevices = true;
    } else if (argument == "--no-window") {
      line.noWindow = true;
    } else if (!line.unknown) {
      line.unknown = argument;
    }
  }
  return line;
}

std::string helpText(const std::string& version) {
  return "STROBE-95 " + version +
         ", a synthesizer for 1990s rave sounds, played through JACK\n"
         "\n"
         "Usage: strobe-95 [--no-window] [--list-audio-devices] [--help]\n"
         "\n"
         "  --no-window           play as a sound module without a window, until\n"
         "                        interrupted (Ctrl+C) or terminated\n"
         "  --list-audio-devices  print every audio device and MIDI port, with the ids\n"
         "                        and names the settings file stores, and exit\n"
         "  --help                print this and exit\n"
         "\n"
         "Settings and the last session live in\n"
         "$XDG_CONFIG_HOME/clap-standalone-host/co.glowhaus.strobe95 (~/.config unless set).\n";
}

}  // namespace strobe95::standalone::linux_standalone
