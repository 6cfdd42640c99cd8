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

std::string text(const char* s) {
  if (!s) return "null";
  std::string quoted(1, '"');
  quoted.append(s).push_back('"');
  return quoted;
}

void append(std::string& out, const std::string& part) { out += part; }
void append(std::string& out, const char* part) { out += part; }
void append(std::string& out, uint32_t part) { out += std::to_string(part); }
void append(std::string& out, bool part) { out += part ? "1" : "0"; }

// One report line from its parts; written whole, with a line feed.
template <typename... Parts>
void say(const Parts&... parts) {
  std::string out;
  (append(out, parts), ...);
  out.push_back('\n');
  std::fwrite(out.data(), 1, out.size(), stdout);
}

std::string version(const clap_version_t& v) {
  return std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.revision);
}

const char* offered(const void* p) { return p ? "offered" : "null"; }

void probeDescriptor(const clap_plugin_descriptor* d) {
  say("descriptor clap_version ", version(d->clap_version));
  say("id ", text(d->id));
  say("name ", text(d->name));
  say("vendor ", text(d->vendor));
  say("url ", text(d->url), " ", text(d->manual_url), " ", text(d->support_url));
  say("version ", text(d->version));
  say("description ", text(d->description));
  for (const char* const* f = d->features; *f; ++f) say("feature ", text(*f));
}

void probePorts(const clap_plugin* plugin) {
  auto* audio = static_cast<const clap_plugin_audio_ports*>(plugin->get_extension(plugin, CLAP_EXT_AUDIO_PORTS));
  auto* notes = static_cast<const clap_plugin_note_ports*>(plugin->get_extension(plugin, CLAP_EXT_NOTE_PORTS));
  say("audio ports in ", audio->count(plugin, true), " out ", audio->count(plugin, false));
  for (bool input : {true, false}) {
    for (uint32_t i = 0; i < 2; ++i) {
      clap_audio_port_info info{};
      if (audio->get(plugin, i, input, &info)) {
        say("audio port ", input, " ", i, " ", uint32_t(info.id), " ", text(info.name), " ", info.flags, " ",
            info.channel_count, " ", text(info.port_type), " ", uint32_t(info.in_place_pair));
      } else {
        say("audio port ", input, " ", i, " none");
      }
    }
  }
  say("note ports in ", notes->count(plugin, true), " out ", notes->count(plugin, false));
  for (bool input : {true, false}) {
    clap_note_port_info info{};
    if (notes->get(plugin, 0, input, &info)) {
      say("note port ", input, " ", uint32_t(info.id), " ", text(info.name), " ", info.supported_dialects, " ",
          info.preferred_dialect);
    } else {
      say("note port ", input, " none");
    }
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
  say("params count ", params->count(plugin));
  for (uint32_t i = 0; i <= params->count(plugin); ++i) {
    clap_param_info info{};
    if (!params->get_info(plugin, i, &info)) {
      say("param ", i, " none");
      continue;
    }
    double value = 0;
    params->get_value(plugin, info.id, &value);
    say("param ", i, " id ", uint32_t(info.id), " flags ", info.flags, " name ", text(info.name), " module ",
        text(info.module), " min ", number(info.min_value), " max ", number(info.max_value), " default ",
        number(info.default_value), " value ", number(value));
    for (double v : probes) {
      char buffer[64];
      const bool ok = params->value_to_text(plugin, info.id, v, buffer, sizeof buffer);
      say("  text ", number(v), " -> ", ok ? text(buffer) : "false");
    }
    char small[4];
    const bool ok = params->value_to_text(plugin, info.id, info.max_value, small, sizeof small);
    say("  text in 4 bytes -> ", ok ? text(small) : "false");
    for (const std::string& t : texts) {
      double out = -7;
      const bool parsed = params->text_to_value(plugin, info.id, t.c_str(), &out);
      say("  value ", text(t.c_str()), " -> ", parsed ? number(out) : "false");
    }
  }
}

void probeState(const PluginInstance& instance) {
  say("fresh state");
  say(instance.saveText());
  const char* loaded =
      "STROBE-95 9.9.9\npreset Hoover (edited)\nedited 1\ncutoff 1e-40\nsupersaw 0x1p-2\n"
      "detune 1e-46\nwidth  \t0.25\nattack 1e39\nrelease 2.5e-3junk\nsample 2.7\nreverb_size nan\n";
  instance.loadText(loaded);
  say("loaded state");
  say(instance.saveText());
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
  say("entry clap_version ", version(entry->clap_version));
  say("other factory ", offered(entry->get_factory("clap.PLUGIN-factory")));
  const clap_plugin_factory* factory = factoryOf(library);
  say("plugin count ", factory->get_plugin_count(factory));
  say("descriptor 1 ", offered(factory->get_plugin_descriptor(factory, 1)));
  probeDescriptor(factory->get_plugin_descriptor(factory, 0));

  TestHost host;
  PluginInstance instance(library, host);
  for (const char* id : {"clap.audio-ports", "clap.note-ports", "clap.params", "clap.state", "clap.gui",
                         "clap.latency", "clap.params.draft", ""}) {
    say("extension ", text(id), " ", offered(instance->get_extension(instance.plugin(), id)));
  }
  probePorts(instance.plugin());
  probeParams(instance);
  probeState(instance);
  return 0;
}
