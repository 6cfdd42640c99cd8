#pragma once
// The engine workloads the benchmarks time, shared by the Google Benchmark programs and
// the Windows timing program: 48 kHz, 128-frame blocks, every effect on.
#include <cstdint>
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

}  // namespace strobe95::workloads
