#pragma once
#include <cstdint>

namespace strobe95 {

enum class EngineEventKind : uint32_t { NoteOn = 0, NoteOff = 1, AllNotesOff = 2, ParamValue = 3, Tempo = 4 };

// One change to the sound at a frame of the block.
struct EngineEvent {
  uint32_t offset;      // frame within the block, 0..frame count
  EngineEventKind kind;
  uint32_t keyOrIndex;  // MIDI key for notes, table index for parameters, else 0
  double value;         // velocity 0..1, parameter value, or beats per minute
};

inline constexpr int kMaxBlockEvents = 4096;

// Notes and all-notes-off, as opposed to values and tempo.
inline constexpr bool isNoteEvent(EngineEventKind kind) {
  return kind == EngineEventKind::NoteOn || kind == EngineEventKind::NoteOff ||
         kind == EngineEventKind::AllNotesOff;
}

}  // namespace strobe95
