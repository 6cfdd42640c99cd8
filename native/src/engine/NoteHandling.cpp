// Which voice a note takes, how it starts, steals, glides in mono and is released.
#include <algorithm>
#include <cmath>

#include "Engine.h"
#include "EngineParams.h"

namespace strobe95 {
namespace {

// Stamps wrap after four billion notes; comparing them as signed keeps the order right.
bool olderThan(uint32_t a, uint32_t b) { return static_cast<int32_t>(a - b) < 0; }

void write(float* control, float value) {
  if (control) *control = value;
}

float frequencyOf(int32_t key) { return static_cast<float>(noteFrequency(key)); }

}  // namespace

VoiceSlot& Engine::chooseVoice() {
  for (VoiceSlot& slot : voices_) {
    if (!slot.active) return slot;
  }
  VoiceSlot* oldestReleased = nullptr;
  VoiceSlot* oldest = &voices_[0];
  for (VoiceSlot& slot : voices_) {
    if (!slot.held && (!oldestReleased || olderThan(slot.startStamp, oldestReleased->startStamp))) {
      oldestReleased = &slot;
    }
    if (olderThan(slot.startStamp, oldest->startStamp)) oldest = &slot;
  }
  return oldestReleased ? *oldestReleased : *oldest;
}

void Engine::beginNote(VoiceSlot& voice, int32_t key, double velocity) {
  voice.startStamp = ++noteCounter_;
  voice.key = key;
  voice.held = voice.active = true;
  voice.silentFrames = 0;
  if (voice.gateHigh || voice.pendingTrigger) {
    // The voice must see its gate low for a frame to restart its envelopes. A voice
    // already waiting for that frame takes the newer note instead of its stale one.
    write(voice.gateControl, 0.0f);
    voice.gateHigh = false;
    voice.pendingTrigger = true;
    voice.pendingKey = key;
    voice.pendingVelocity = velocity;
  } else {
    startVoice(voice, key, velocity);
  }
}

void Engine::startVoice(VoiceSlot& voice, int32_t key, double velocity) {
  write(voice.freqControl, frequencyOf(key));
  write(voice.gainControl, static_cast<float>(velocity));
  write(voice.gateControl, 1.0f);
  voice.gateHigh = true;
  startSample(samples_, sampleIndex_, sampleKeys_, sampleRate_, key, voice.samplePos, voice.sampleStep);
}

void Engine::noteOn(uint32_t key, double velocity) {
  if (!(velocity > 0)) {
    noteOff(key);
    return;
  }
  velocity = std::min(velocity, kMaxVelocity);
  const auto k = static_cast<int32_t>(key);
  if (!mono_) {
    beginNote(chooseVoice(), k, velocity);
    return;
  }
  pressKey(monoStack_, key, velocity);
  VoiceSlot& voice = voices_[0];
  if (voice.held && voice.gateHigh) {
    // Legato: the voice glides to the new key without a new attack.
    voice.key = k;
    write(voice.freqControl, frequencyOf(k));
  } else {
    beginNote(voice, k, velocity);
  }
}

void Engine::releaseVoice(VoiceSlot& voice) {
  voice.held = false;
  if (voice.pendingTrigger) {
    voice.pendingTrigger = false;  // the deferred note never sounds; the gate stays low
  } else {
    write(voice.gateControl, 0.0f);
    voice.gateHigh = false;
  }
}

void Engine::noteOff(uint32_t key) {
  const auto k = static_cast<int32_t>(key);
  if (!mono_) {
    VoiceSlot* oldest = nullptr;
    for (VoiceSlot& slot : voices_) {
      if (slot.held && slot.key == k && (!oldest || olderThan(slot.startStamp, oldest->startStamp))) oldest = &slot;
    }
    if (oldest) releaseVoice(*oldest);
    return;
  }
  if (monoStack_.empty() || monoStack_.back().key != key) {
    releaseKey(monoStack_, key);
    return;
  }
  monoStack_.pop_back();
  VoiceSlot& voice = voices_[0];
  if (monoStack_.empty()) {
    if (voice.held) releaseVoice(voice);
  } else {
    // Back to the most recent key still held, without a new attack.
    voice.key = static_cast<int32_t>(monoStack_.back().key);
    write(voice.freqControl, frequencyOf(voice.key));
  }
}

void Engine::allNotesOff() {
  monoStack_.clear();
  for (VoiceSlot& voice : voices_) {
    voice.held = false;
    voice.pendingTrigger = false;
    if (voice.active) {
      write(voice.gateControl, 0.0f);
      voice.gateHigh = false;
    }
  }
}

}  // namespace strobe95
