#include "DeviceListing.h"

#include <cstdio>
#include <cstring>

namespace strobe95::standalone {
namespace {

std::string channelNames(const char* label, uint32_t count) {
  if (count == 0) return {};
  std::string names = " - ";
  for (uint32_t c = 1; c <= count; ++c) {
    if (c > 1) names += ", ";
    names.append(label).append(" ").append(std::to_string(c));
  }
  return names;
}

std::string joined(const std::vector<std::string>& items) {
  std::string text;
  for (const auto& item : items) {
    if (!text.empty()) text += ", ";
    text += item;
  }
  return text;
}

void appendDevice(std::string& out, const AudioDeviceInfo& d, const std::string& defaultInput,
                  const std::string& defaultOutput) {
  out += "  \"" + d.name + "\"\n";
  out += "    id: " + d.id + "\n";
  out += "    legacy name: " + d.legacyName + "\n";
  out += "    inputs: " + std::to_string(d.inputChannels) + channelNames("Input", d.inputChannels) + "\n";
  out += "    outputs: " + std::to_string(d.outputChannels) + channelNames("Output", d.outputChannels) + "\n";
  std::vector<std::string> rates;
  for (const uint32_t rate : d.rates) rates.push_back(std::to_string(rate));
  out += "    rates: " + joined(rates) + " (now " + std::to_string(d.currentRate) + ")\n";
  out += "    buffer: " + std::to_string(d.minBuffer) + " to " + std::to_string(d.maxBuffer) + " frames\n";
  out += "    clock domain: " + std::to_string(d.clockDomain) + "\n";
  std::vector<std::string> marks;
  if (d.id == defaultInput && d.inputChannels > 0) marks.push_back("default input");
  if (d.id == defaultOutput && d.outputChannels > 0) marks.push_back("default output");
  if (d.isMicrophone) marks.push_back("microphone");
  if (d.isBluetooth) marks.push_back("bluetooth");
  if (d.isInterface) marks.push_back("interface");
  if (!d.rateSettable) marks.push_back("rate not settable");
  if (!marks.empty()) out += "    " + joined(marks) + "\n";
}

void appendPorts(std::string& out, const char* direction, const std::vector<MidiPortInfo>& ports) {
  for (const auto& port : ports) {
    out += std::string("  ") + direction + " \"" + port.name + "\"\n";
    out += "    id: " + port.id + "\n";
    out += "    legacy name: " + port.legacyName + "\n";
  }
}

}  // namespace

bool asksForDeviceListing(int argc, const char* const* argv) {
  if (argc < 2 || !argv) return false;
  for (int i = 1; i < argc; ++i) {
    if (argv[i] && std::strcmp(argv[i], kListDevicesOption) == 0) return true;
  }
  return false;
}

std::string formatDeviceListing(const std::vector<AudioApi>& audioApis,
                                const std::function<std::unique_ptr<MidiBackend>()>& createMidiBackend) {
  std::string out;
  for (std::size_t i = 0; i < audioApis.size(); ++i) {
    const AudioApi& api = audioApis[i];
    out += "audio api " + api.id + " (" + api.displayName + ")" + (i == 0 ? ", the default" : "") + "\n";
    const auto backend = api.create ? api.create() : nullptr;
    if (!backend) continue;
    const std::string defaultInput = backend->defaultInputDevice();
    const std::string defaultOutput = backend->defaultOutputDevice();
    for (const auto& device : backend->devices()) appendDevice(out, device, defaultInput, defaultOutput);
  }
  if (const auto midi = createMidiBackend ? createMidiBackend() : nullptr) {
    out += "midi api " + midi->id() + "\n";
    appendPorts(out, "input", midi->inputPorts());
    appendPorts(out, "output", midi->outputPorts());
  }
  return out;
}

bool listAudioDevices(int argc, const char* const* argv, const std::vector<AudioApi>& audioApis,
                      const std::function<std::unique_ptr<MidiBackend>()>& createMidiBackend) {
  if (!asksForDeviceListing(argc, argv)) return false;
  const std::string listing = formatDeviceListing(audioApis, createMidiBackend);
  std::fwrite(listing.data(), 1, listing.size(), stdout);
  std::fflush(stdout);
  return true;
}

}  // namespace strobe95::standalone
