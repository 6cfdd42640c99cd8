#pragma once
// What the faceplate hands the audio thread: its edits, to be reported to the host, and
// the notes played on its keyboard.
#include <cstdint>

#include "SpscRing.h"

namespace strobe95 {

enum class OutboxKind : uint8_t { GestureBegin = 0, Value = 1, GestureEnd = 2 };

struct ParamOutboxEntry {
  OutboxKind kind;
  int32_t index;  // parameter table index
  float value;    // 0 for gestures
};

struct UiNote {
  uint32_t key;
  uint8_t on;
};

inline constexpr uint32_t kFaceplateRingSlots = 2048;

using ParamOutbox = SpscRing<ParamOutboxEntry, kFaceplateRingSlots>;
using UiNoteQueue = SpscRing<UiNote, kFaceplateRingSlots>;

}  // namespace strobe95
