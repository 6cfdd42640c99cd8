// strobe95-render: plays a phrase through the built STROBE-95.clap, loaded by path as a
// host loads it, and writes what it plays to a WAV file.
#include <sndfile.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "AudioBlock.h"
#include "DemoPhrase.h"
#include "EventLists.h"
#include "MidiFile.h"
#include "TailEnd.h"
#include "TestHost.h"

namespace {

using namespace strobe95::test;
using strobe95::tools::MidiSong;

const char* const kUsage =
    "usage: strobe95-render [options] OUTPUT.wav [id=value ...]\n"
    "  --plugin PATH    the STROBE-95.clap to load (default: the one this build made)\n"
    "  --preset NAME    a preset of the panel description (default: Init)\n"
    "  --midi FILE      a Standard MIDI File, format 0 or 1 (default: the built-in demo phrase)\n"
    "  --tempo BPM      tempo (default: the MIDI file's first tempo, else 120)\n"
    "  --rate HZ        sample rate (default 48000)\n"
    "  --float          32-bit float samples (default: 24-bit integer)\n"
    "  --tail SECONDS   time rendered after the last event (default: until the output has stayed\n"
    "                   below -90 dBFS for 100 ms, at most 30 s)\n"
    "  --panel PATH     the panel description (default: web/parameters.json of this source tree)\n"
    "  --list-presets   prints the presets' names, one a line, and stops\n"
    "  id=value         sets a parameter by its text id after the preset, e.g. cutoff=800\n";

struct Options {
  std::string plugin = STROBE95_PLUGIN_PATH;
  std::string panel = STROBE95_PANEL_DESCRIPTION;
  std::string preset = "Init";
  std::string midi;
  std::string output;
  double tempo = 0;  // 0: from the file, else 120
  int rate = 48000;
  bool floatSamples = false;
  bool listPresets = false;
  double tail = -1;  // below 0: until the output falls silent
  std::vector<std::pair<std::string, double>> overrides;
};

struct Failure {
  std::string message;
};

double number(const std::string& text, const std::string& what) {
  double value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size() || !std::isfinite(value)) {
    throw Failure{what + " must be a number, not '" + text + "'"};
  }
  return value;
}

Options parseArguments(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw Failure{arg + " needs a value"};
      return argv[++i];
    };
    if (arg == "--plugin") {
      options.plugin = value();
    } else if (arg == "--preset") {
      options.preset = value();
    } else if (arg == "--midi") {
      options.midi = value();
    } else if (arg == "--tempo") {
      options.tempo = number(value(), "--tempo");
      if (options.tempo <= 0) throw Failure{"--tempo must be above 0"};
    } else if (arg == "--rate") {
      options.rate = static_cast<int>(number(value(), "--rate"));
      if (options.rate < 8000 || options.rate > 384000) throw Failure{"--rate must be between 8000 and 384000"};
    } else if (arg == "--float") {
      options.floatSamples = true;
    } else if (arg == "--tail") {
      options.tail = std::clamp(number(value(), "--tail"), 0.0, 60.0);
    } else if (arg == "--panel") {
      options.panel = value();
    } else if (arg == "--list-presets") {
      options.listPresets = true;
    } else if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    } else if (arg.rfind("--", 0) == 0) {
      throw Failure{"unknown option " + arg};
    } else if (const auto eq = arg.find('='); eq != std::string::npos) {
      options.overrides.emplace_back(arg.substr(0, eq), number(arg.substr(eq + 1), arg.substr(0, eq)));
    } else if (options.output.empty()) {
      options.output = arg;
    } else {
      throw Failure{"more than one output file: " + options.output + " and " + arg};
    }
  }
  if (options.output.empty() && !options.listPresets) throw Failure{"no output file given"};
  return options;
}

std::string formatValue(double value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

nlohmann::json readPanel(const Options& options) {
  std::ifstream file(options.panel);
  if (!file) throw Failure{"cannot read the panel description " + options.panel};
  nlohmann::json panel = nlohmann::json::parse(file, nullptr, false);
  if (panel.is_discarded() || !panel.contains("presets")) throw Failure{"malformed panel description " + options.panel};
  return panel;
}

// The preset as the state text the plugin loads, with the overrides after its values.
std::string presetState(const Options& options) {
  const nlohmann::json panel = readPanel(options);

  std::vector<std::string> ids;
  for (const auto& section : panel["sections"]) {
    if (section.contains("switch")) ids.push_back(section["switch"]["id"]);
    for (const auto& control : section["controls"]) ids.push_back(control["id"]);
  }
  const nlohmann::json* preset = nullptr;
  std::string names;
  for (const auto& p : panel["presets"]) {
    if (p["name"] == options.preset) preset = &p;
    names += "\n  " + p["name"].get<std::string>();
  }
  if (!preset) throw Failure{"unknown preset '" + options.preset + "'; the presets are:" + names};

  std::string text = "STROBE-95 0.5.1\npreset " + options.preset + "\nedited ";
  text += options.overrides.empty() ? "0\n" : "1\n";
  for (const auto& [id, value] : (*preset)["values"].items()) text += id + " " + formatValue(value.get<double>()) + "\n";
  for (const auto& [id, value] : options.overrides) {
    if (std::find(ids.begin(), ids.end(), id) == ids.end()) throw Failure{"unknown parameter '" + id + "'"};
    text += id + " " + formatValue(value) + "\n";
  }
  return text;
}

MidiSong loadSong(const Options& options) {
  if (options.midi.empty()) return strobe95::tools::demoPhrase();
  std::ifstream file(options.midi, std::ios::binary);
  if (!file) throw Failure{"cannot read the MIDI file " + options.midi};
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  auto parsed = strobe95::tools::parseMidiFile(bytes);
  if (auto* error = std::get_if<std::string>(&parsed)) throw Failure{options.midi + ": " + *error};
  return std::get<MidiSong>(std::move(parsed));
}

class WavWriter {
 public:
  WavWriter(const std::string& path, int rate, bool floatSamples) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | (floatSamples ? SF_FORMAT_FLOAT : SF_FORMAT_PCM_24);
    file_ = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file_) throw Failure{"cannot write " + path + ": " + sf_strerror(nullptr)};
    // Integer samples beyond full scale are clipped rather than wrapped around.
    sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  }
  ~WavWriter() { sf_close(file_); }
  void write(const std::vector<float>& left, const std::vector<float>& right, uint32_t frames) {
    interleaved_.resize(size_t{frames} * 2);
    for (uint32_t i = 0; i < frames; ++i) {
      interleaved_[2 * i] = left[i];
      interleaved_[2 * i + 1] = right[i];
    }
    sf_writef_float(file_, interleaved_.data(), frames);
  }

 private:
  SNDFILE* file_;
  std::vector<float> interleaved_;
};

struct RenderResult {
  uint64_t frames = 0;
  float peak = 0;
};

RenderResult render(const Options& options, const MidiSong& song, const std::string& state) {
  PluginLibrary library(options.plugin);
  if (!library.entry()) throw Failure{"cannot load the plugin " + options.plugin + ": " + library.error()};
  TestHost host;
  PluginInstance instance(library, host);
  if (!instance.loadText(state)) throw Failure{"the plugin refused the preset state"};
  if (!instance->activate(instance.plugin(), options.rate, 1, 512)) throw Failure{"the plugin did not activate"};
  instance->start_processing(instance.plugin());

  const double tempo = options.tempo > 0 ? options.tempo : song.tempo.value_or(120.0);
  const double framesPerBeat = 60.0 / tempo * options.rate;
  const auto songEnd = static_cast<uint64_t>(std::ceil(song.lengthBeats * framesPerBeat));
  const bool fixedTail = options.tail >= 0;
  const uint64_t total = songEnd + static_cast<uint64_t>(std::ceil(std::max(options.tail, 0.0) * options.rate));
  strobe95::tools::TailEnd tailEnd(options.rate);
  const clap_event_transport transport = transportWithTempo(tempo);
  WavWriter wav(options.output, options.rate, options.floatSamples);

  constexpr uint32_t kBlock = 256;
  RenderResult result;
  size_t next = 0;
  bool ended = false;
  for (uint64_t start = 0; !ended && (!fixedTail || start < total); start += kBlock) {
    const auto frames = static_cast<uint32_t>(fixedTail ? std::min<uint64_t>(kBlock, total - start) : kBlock);
    AudioBlock out(frames);
    InputEvents in;
    for (; next < song.notes.size(); ++next) {
      const auto frame = static_cast<uint64_t>(std::llround(song.notes[next].beat * framesPerBeat));
      if (frame >= start + frames) break;
      const auto& note = song.notes[next];
      in.midi(static_cast<uint32_t>(frame - start), note.status, note.key, note.velocity);
    }
    if (instance->process(instance.plugin(), out.process(&in, nullptr, &transport)) == CLAP_PROCESS_ERROR) {
      throw Failure{"the plugin reported a processing error"};
    }
    uint32_t kept = frames;
    for (uint32_t i = 0; i < frames; ++i) {
      const float left = out.channels[0][i], right = out.channels[1][i];
      result.peak = std::max({result.peak, std::fabs(left), std::fabs(right)});
      if (!fixedTail && start + i >= songEnd && next == song.notes.size() && tailEnd.take(left, right)) {
        kept = i + 1;
        ended = true;
        break;
      }
    }
    wav.write(out.channels[0], out.channels[1], kept);
    result.frames += kept;
  }
  instance->stop_processing(instance.plugin());
  instance->deactivate(instance.plugin());
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const Options options = parseArguments(argc, argv);
    if (options.listPresets) {
      const nlohmann::json panel = readPanel(options);
      for (const auto& preset : panel["presets"]) std::puts(preset["name"].get<std::string>().c_str());
      return 0;
    }
    const std::string state = presetState(options);
    const MidiSong song = loadSong(options);
    const RenderResult result = render(options, song, state);
    std::printf("%s: %.2f s of \"%s\" at %d Hz, peak %.1f dBFS\n", options.output.c_str(),
                double(result.frames) / options.rate, options.preset.c_str(), options.rate,
                20.0 * std::log10(std::max(result.peak, 1e-9f)));
    if (result.peak > 1.0f && !options.floatSamples) {
      std::printf("  (peaks above full scale were clipped in the 24-bit file; --float keeps them)\n");
    }
    return 0;
  } catch (const Failure& failure) {
    std::fprintf(stderr, "strobe95-render: %s (--help shows the options)\n", failure.message.c_str());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "strobe95-render: %s\n", e.what());
    return 1;
  }
}
