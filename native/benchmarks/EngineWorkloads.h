#pragma once
// The engine workloads the benchmarks time, shared by the Google Benchmark programs and
// the Windows timing program: 48 kHz, 128-frame blocks, every effect on.
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "Engine.h"

namespace strobe95::workloads {

inline constexpr int kRate = 48000;
inline constexpr int kFrames = 128;

inline EngineEvent param(const char* id, double value) {
  return {0, EngineEventKind::ParamValue, static_cast<uint32_t>(findParamByTextId(id)), value};
}

struct Block {
  std::vector<float> left = std::vector<float>(kFrames);
  std::vector<float> right = std::vector<float>(kFrames);

  void process(Engine& engine, const EngineEvent* events = nullptr, int32_t count = 0) {
    engine.process(left.data(), right.data(), kFrames, events, count);
  }
};

// `voices` notes a minor third apart, held with full sustain, with the sample layer,
// noise, pulses and the hoover scoop on.
inline void startLoad(Engine& engine, Block& block, int voices) {
  std::vector<EngineEvent> events = {param("drive", 0.5),      param("chorus", 0.5),       param("delay_mix", 0.4),
                                     param("reverb_mix", 0.4), param("sample_level", 0.5), param("noise", 0.1),
                                     param("pwm", 0.5),        param("hoover", 0.5),       param("sustain", 1.0)};
  for (int v = 0; v < voices; ++v) events.push_back({0, EngineEventKind::NoteOn, uint32_t(36 + 3 * v), 0.8});
  block.process(engine, events.data(), int32_t(events.size()));
}

// One note played and released, then a minute of silence, far beyond the plate's and
// the echoes' decay: what an instance costs while the project plays other tracks.
inline void settleIdle(Engine& engine, Block& block) {
  const EngineEvent start[] = {param("drive", 0.5), param("chorus", 0.5), param("delay_mix", 0.4),
                               param("reverb_mix", 0.4), {0, EngineEventKind::NoteOn, 60, 0.8}};
  block.process(engine, start, int32_t(std::size(start)));
  const EngineEvent off{0, EngineEventKind::NoteOff, 60, 0.0};
  block.process(engine, &off, 1);
  for (int n = 0; n < 60 * kRate / kFrames; ++n) block.process(engine);
}

// What a player does: chords struck every sixteenth note at 120 bpm and released halfway
// to the next, so every voice's filter envelope keeps restarting. A held note's cutoff
// settles within a quarter of a second and costs far less; this is the cost users get.
class PlayedChords {
 public:
  static constexpr int64_t kStrikeFrames = 6000;
  static constexpr int64_t kReleaseFrames = 3000;

  // sound: the preset's values, applied with the first block.
  PlayedChords(int voices, std::initializer_list<EngineEvent> sound) : voices_(voices), sound_(sound) {
    events_.reserve(sound_.size() + size_t(voices));
  }

  void next(Engine& engine, Block& block) {
    events_.clear();
    if (frame_ == 0) events_ = sound_;
    const int64_t end = frame_ + kFrames;
    // The first strike or release at or after this block's start.
    for (int64_t at = frame_ + (kStrikeFrames - frame_ % kStrikeFrames) % kStrikeFrames; at < end; at += kStrikeFrames)
      chord(at, EngineEventKind::NoteOn, 0.8);
    const int64_t offset = (frame_ + kStrikeFrames - kReleaseFrames) % kStrikeFrames;
    for (int64_t at = frame_ + (kStrikeFrames - offset) % kStrikeFrames; at < end; at += kStrikeFrames)
      chord(at, EngineEventKind::NoteOff, 0.0);
    block.process(engine, events_.data(), int32_t(events_.size()));
    frame_ = end;
  }

 private:
  void chord(int64_t at, EngineEventKind kind, double velocity) {
    for (int v = 0; v < voices_; ++v)
      events_.push_back({uint32_t(at - frame_), kind, uint32_t(36 + 3 * v), velocity});
  }

  int voices_;
  std::vector<EngineEvent> sound_;
  std::vector<EngineEvent> events_;
  int64_t frame_ = 0;
};

// The "Rave Stab" preset's values.
inline PlayedChords playedStab(int voices) {
  return PlayedChords(voices, {param("supersaw", 1),        param("detune", 0.45),      param("width", 0.8),
                               param("sub", 0.15),          param("cutoff", 2400),      param("resonance", 0.15),
                               param("env_amount", 0.6),    param("filter_decay", 0.18), param("decay", 0.2),
                               param("sustain", 0.3),       param("release", 0.15),     param("delay_mix", 0.15),
                               param("reverb_mix", 0.25)});
}

// The "Acid Line" preset's values with mono off, so the chord sounds on every voice.
inline PlayedChords playedAcid(int voices) {
  return PlayedChords(voices, {param("supersaw", 0.6),      param("detune", 0),          param("width", 0),
                               param("sub", 0),             param("acid_filter", 1),     param("cutoff", 380),
                               param("resonance", 0.8),     param("env_amount", 0.9),    param("filter_decay", 0.16),
                               param("attack", 0.001),      param("decay", 0.2),         param("sustain", 0.6),
                               param("release", 0.05),      param("mono", 0),            param("glide", 0.25),
                               param("drive", 0.4),         param("delay_mix", 0.2)});
}

}  // namespace strobe95::workloads
