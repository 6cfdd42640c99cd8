// Renders one voice at a few characteristic settings, for listening:
// strobe95-voice-listen <directory> writes voice-<name>.wav and a spectrogram
// voice-<name>.png (through sox) for each setting, and prints each file's peak level.
// Each setting plays a short phrase; between notes the gate drops to 0 for one sample,
// as the engine does when it restarts a voice.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "AudioFiles.h"
#include "Voice.h"
#include "Zones.h"

namespace {

constexpr int kSampleRate = 48000;
constexpr int kBlock = 128;

struct Note {
  int key;           // MIDI key
  double seconds;    // from note start to the next note
  double gateShare;  // part of that time the key is held
};

struct Setting {
  const char* name;
  std::vector<std::pair<const char*, float>> controls;
  std::vector<Note> phrase;
  double tailSeconds;
};

float keyFrequency(int key) { return static_cast<float>(440.0 * std::pow(2.0, (key - 69) / 12.0)); }

std::vector<Setting> settings() {
  const std::vector<Note> acidLine = {{36, 0.125, 0.5}, {36, 0.125, 0.5}, {48, 0.125, 0.9},
                                      {36, 0.125, 0.5}, {39, 0.125, 0.5}, {36, 0.125, 0.9},
                                      {46, 0.125, 0.5}, {36, 0.125, 0.5}, {36, 0.125, 0.5},
                                      {48, 0.125, 0.9}, {43, 0.125, 0.5}, {36, 0.125, 0.5},
                                      {41, 0.125, 0.9}, {36, 0.125, 0.5}, {51, 0.125, 0.5},
                                      {48, 0.125, 0.5}};
  return {
      {"hoover",
       {{"supersaw", 1}, {"detune", 0.7f}, {"width", 1}, {"hoover", 1}, {"glide", 0.12f},
        {"sub", 0.5f}, {"pwm", 0.4f}, {"cutoff", 4000}, {"resonance", 0.3f}, {"env_amount", 0.3f},
        {"attack", 0.01f}, {"sustain", 0.9f}, {"release", 0.5f}, {"gain", 0.9f}},
       {{53, 0.6, 0.9}, {56, 0.6, 0.9}, {60, 0.6, 0.9}, {58, 1.2, 0.8}},
       1.0},
      {"acid",
       {{"acid_filter", 1}, {"supersaw", 1}, {"detune", 0}, {"width", 0}, {"sub", 0},
        {"cutoff", 300}, {"resonance", 0.85f}, {"env_amount", 0.8f}, {"filter_decay", 0.2f},
        {"attack", 0.002f}, {"decay", 0.2f}, {"sustain", 0.6f}, {"release", 0.05f},
        {"gain", 1}},
       acidLine,
       0.5},
      {"pulse-pad",
       {{"supersaw", 0.2f}, {"pwm", 1}, {"sub", 0.2f}, {"width", 1}, {"cutoff", 2500},
        {"resonance", 0.2f}, {"env_amount", 0.1f}, {"attack", 0.6f}, {"decay", 1},
        {"sustain", 0.8f}, {"release", 1.5f}, {"gain", 0.8f}},
       {{57, 4.0, 0.8}},
       1.5},
      {"sub-bass",
       {{"supersaw", 0.25f}, {"sub", 1}, {"cutoff", 500}, {"resonance", 0.1f},
        {"env_amount", 0.4f}, {"filter_decay", 0.15f}, {"attack", 0.002f}, {"decay", 0.3f},
        {"sustain", 0.5f}, {"release", 0.1f}, {"gain", 1}},
       {{33, 0.25, 0.6}, {33, 0.25, 0.6}, {45, 0.25, 0.6}, {33, 0.25, 0.6}, {36, 0.5, 0.8},
        {31, 0.5, 0.8}},
       0.5},
      {"noise-sweep",
       {{"supersaw", 0}, {"sub", 0}, {"noise", 1}, {"cutoff", 200}, {"resonance", 0.9f},
        {"env_amount", 1}, {"filter_decay", 1.5f}, {"attack", 0.005f}, {"decay", 2},
        {"sustain", 0.3f}, {"release", 0.4f}, {"gain", 0.8f}},
       {{60, 2.0, 0.9}},
       1.0},
      {"acid-22050",  // the acid filter at the lowest supported rate, cutoff at the top
       {{"acid_filter", 1}, {"supersaw", 1}, {"detune", 0.2f}, {"cutoff", 16000},
        {"resonance", 0.98f}, {"env_amount", 1}, {"filter_decay", 0.3f}, {"gain", 1}},
       {{36, 0.5, 0.8}, {48, 0.5, 0.8}},
       0.5},
  };
}

// Renders the whole phrase of one setting as interleaved stereo.
std::vector<float> render(const Setting& setting, int rate) {
  strobe95::gen::Voice voice;
  voice.init(rate);
  strobe95::Zones zones;
  voice.buildUserInterface(&zones);
  for (auto [label, value] : setting.controls) *zones.find(label) = value;
  float* gate = zones.find("gate");
  float* freq = zones.find("freq");

  std::vector<float> out;
  std::vector<float> silence(kBlock, 0.0f), left(kBlock), right(kBlock);
  auto play = [&](int frames) {
    for (int done = 0; done < frames;) {
      const int n = std::min(kBlock, frames - done);
      float* inputs[] = {silence.data()};
      float* outputs[] = {left.data(), right.data()};
      voice.compute(n, inputs, outputs);
      for (int i = 0; i < n; ++i) {
        out.push_back(left[i]);
        out.push_back(right[i]);
      }
      done += n;
    }
  };
  for (const Note& note : setting.phrase) {
    if (*gate > 0.0f) {
      *gate = 0.0f;
      play(1);
    }
    *freq = keyFrequency(note.key);
    *gate = 1.0f;
    const int length = static_cast<int>(note.seconds * rate);
    const int held = static_cast<int>(note.seconds * note.gateShare * rate);
    play(held);
    *gate = 0.0f;
    play(length - held);
  }
  play(static_cast<int>(setting.tailSeconds * rate));
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output directory>\n", argv[0]);
    return 2;
  }
  const std::string directory = argv[1];
  int failures = 0;
  for (const Setting& setting : settings()) {
    const int rate = std::string(setting.name) == "acid-22050" ? 22050 : kSampleRate;
    const std::vector<float> audio = render(setting, rate);
    float peak = 0.0f;
    for (float v : audio) peak = std::max(peak, std::fabs(v));
    const std::string base = directory + "/voice-" + setting.name;
    if (!strobe95::tools::writeWav(base + ".wav", rate, 2, audio)) {
      std::fprintf(stderr, "cannot write %s.wav\n", base.c_str());
      ++failures;
      continue;
    }
    if (!strobe95::tools::drawSpectrogram(base + ".wav", base + ".png", std::string("voice ") + setting.name)) {
      std::fprintf(stderr, "sox failed for %s\n", setting.name);
      ++failures;
    }
    std::printf("%-12s %6.2f s  peak %.3f (%.1f dBFS)\n", setting.name,
                static_cast<double>(audio.size()) / 2.0 / rate, peak, 20.0 * std::log10(std::max(peak, 1e-9f)));
  }
  return failures == 0 ? 0 : 1;
}
