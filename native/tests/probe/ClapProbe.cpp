// Prints, as plain text, everything a host can learn from a STROBE-95.clap without playing
// it: entry, factory, descriptor, ports, parameter infos, value text both ways and state.
// Built for Linux and for Windows; the two reports must be identical.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include <clap/ext/audio-ports.h>
#include <clap/ext/note-ports.h>

#include "TestHost.h"

using namespace strobe95::test;

namespace {

std::string number(double v) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
  return std::string(buffer, result.ptr);
}

std::string text(const char* s) { return s ? "\"" + std::string(s) + "\"" : "null"; }

void line(const std::string& s) { std::fwrite((s + "\n").data(), 1, s.size() + 1, stdout); }

void probeDescriptor(const clap_plugin_descriptor* d) {
  line("descriptor clap_version " + std::to_string(d->clap_version.major) + "." +
       std::to_string(d->clap_version.minor) + "." + std::to_string(d->clap_version.revision));
  line("id " + text(d->id));
  line("name " + text(d->name));
  line("vendor " + text(d->vendor));
  line("url " + text(d->url) + " " + text(d->manual_url) + " " + text(d->support_url));
  line("version " + text(d->version));
  line("description " + text(d->description));
  for (const char* const* f = d->features; *f; ++f) line("feature " + text(*f));
}

void probePorts(const clap_plugin* plugin) {
  auto* audio = static_cast<const clap_plugin_audio_ports*>(plugin->get_extension(plugin, CLAP_EXT_AUDIO_PORTS));
  auto* notes = static_cast<const clap_plugin_note_ports*>(plugin->get_extension(plugin, CLAP_EXT_NOTE_PORTS));
  line("audio ports in " + std::to_string(audio->count(plugin, true)) + " out " +
       std::to_string(audio->count(plugin, false)));
  for (bool input : {true, false}) {
    for (uint32_t i = 0; i < 2; ++i) {
      clap_audio_port_info info{};
      const bool ok = audio->get(plugin, i, input, &info);
      line("audio port " + std::to_string(input) + " " + std::to_string(i) + " " + std::to_string(ok) +
           (ok ? " " + std::to_string(info.id) + " " + text(info.name) + " " + std::to_string(info.flags) +
                     " " + std::to_string(info.channel_count) + " " + text(info.port_type) + " " +
                     std::to_string(info.in_place_pair)
               : ""));
    }
  }
  line("note ports in " + std::to_string(notes->count(plugin, true)) + " out " +
       std::to_string(notes->count(plugin, false)));
  for (bool input : {true, false}) {
    clap_note_port_info info{};
    const bool ok = notes->get(plugin, 0, input, &info);
    line("note port " + std::to_string(input) + " " + std::to_string(ok) +
         (ok ? " " + std::to_string(info.id) + " " + text(info.name) + " " +
                   std::to_string(info.supported_dialects) + " " + std::to_string(info.preferred_dialect)
             : ""));
  }
}

void probeParams(const PluginInstance& instance) {
  const clap_plugin* plugin = instance.plugin();
  const clap_plugin_params* params = instance.params();
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<double> probes = {-inf, -1e30, -5, -1, -0.5, 0, 0.0005, 0.001, 0.005, 0.35f, 0.49999,
                                      0.5, 0.8f, 0.9995, 0.99949, 1, 1.2, 2.5, 2.6, 3.5, 11, 40, 799.5,
                                      999.4, 999.5, 1000, 1800, 16000, 99999, 1e30, inf, nan};
  const std::vector<std::string> texts = {"", "abc", "0", "0.7", "70", "70%", "2.5k", "2.5 kHz", "2.5K",
                                          "250 ms", "250ms", "2 s", "5", " 12", "+3", "--3", "1e39",
                                          "1e-400", "inf", "-inf", "nan", "0x10", "1,5", "On", "on",
                                          "Off", "Up-Down", "up-down", "Riser", "1/16T", "3/16"};
  line("params count " + std::to_string(params->count(plugin)));
  for (uint32_t i = 0; i <= params->count(plugin); ++i) {
    clap_param_info info{};
    if (!params->get_info(plugin, i, &info)) {
      line("param " + std::to_string(i) + " none");
      continue;
    }
    double value = 0;
    params->get_value(plugin, info.id, &value);
    line("param " + std::to_string(i) + " id " + std::to_string(info.id) + " flags " +
         std::to_string(info.flags) + " name " + text(info.name) + " module " + text(info.module) +
         " min " + number(info.min_value) + " max " + number(info.max_value) + " default " +
         number(info.default_value) + " value " + number(value));
    for (double v : probes) {
      char buffer[64];
      const bool ok = params->value_to_text(plugin, info.id, v, buffer, sizeof buffer);
      line("  text " + number(v) + " -> " + (ok ? text(buffer) : "false"));
    }
    char small[4];
    const bool ok = params->value_to_text(plugin, info.id, info.max_value, small, sizeof small);
    line("  text in 4 bytes -> " + (ok ? text(small) : "false"));
    for (const std::string& t : texts) {
      double out = -7;
      const bool parsed = params->text_to_value(plugin, info.id, t.c_str(), &out);
      line("  value " + text(t.c_str()) + " -> " + (parsed ? number(out) : "false"));
    }
  }
}

void probeState(const PluginInstance& instance) {
  line("fresh state");
  line(instance.saveText());
  const char* loaded =
      "STROBE-95 9.9.9\npreset Hoover (edited)\nedited 1\ncutoff 1e-40\nsupersaw 0x1p-2\n"
      "detune 1e-46\nwidth  \t0.25\nattack 1e39\nrelease 2.5e-3junk\nsample 2.7\nreverb_size nan\n";
  instance.loadText(loaded);
  line("loaded state");
  line(instance.saveText());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: strobe95_probe PATH-TO-STROBE-95.clap\n");
    return 2;
  }
  PluginLibrary library(argv[1]);
  if (!library.entry()) {
    std::fprintf(stderr, "cannot load %s: %s\n", argv[1], library.error().c_str());
    return 1;
  }
  const clap_plugin_entry* entry = library.entry();
  line("entry clap_version " + std::to_string(entry->clap_version.major) + "." +
       std::to_string(entry->clap_version.minor) + "." + std::to_string(entry->clap_version.revision));
  line("other factory " + std::string(entry->get_factory("clap.PLUGIN-factory") ? "offered" : "null"));
  const clap_plugin_factory* factory = factoryOf(library);
  line("plugin count " + std::to_string(factory->get_plugin_count(factory)));
  line("descriptor 1 " + std::string(factory->get_plugin_descriptor(factory, 1) ? "offered" : "null"));
  probeDescriptor(factory->get_plugin_descriptor(factory, 0));

  TestHost host;
  PluginInstance instance(library, host);
  for (const char* id : {"clap.audio-ports", "clap.note-ports", "clap.params", "clap.state", "clap.gui",
                         "clap.latency", "clap.params.draft", ""}) {
    line("extension " + text(id) + " " + (instance->get_extension(instance.plugin(), id) ? "offered" : "null"));
  }
  probePorts(instance.plugin());
  probeParams(instance);
  probeState(instance);
  return 0;
}
