// The render-thread half of the audio bridge: one clap_process per device period, with
// the MIDI that arrived since the last, and the plugin's own MIDI sent on. Nothing here
// allocates, locks a mutex or calls the system.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "DeviceChoice.h"
#include "StandaloneHost.h"

namespace strobe95::standalone {
namespace {

constexpr uint32_t kMaxCallbackFrames = 65535;  // what one pool channel holds, less one

void silence(float* const* outputs, uint32_t count, uint32_t frames) {
  if (!outputs) return;
  for (uint32_t c = 0; c < count; ++c) {
    if (outputs[c]) std::memset(outputs[c], 0, sizeof(float) * frames);
  }
}

}  // namespace

uint32_t StandaloneHost::eventCount(const clap_input_events_t* list) {
  return static_cast<const StandaloneHost*>(list->ctx)->eventsQueued_;
}

const clap_event_header_t* StandaloneHost::eventAt(const clap_input_events_t* list, uint32_t index) {
  const auto* self = static_cast<const StandaloneHost*>(list->ctx);
  if (index >= self->eventsQueued_) return nullptr;
  return reinterpret_cast<const clap_event_header_t*>(self->eventSlots_[index].bytes);
}

void StandaloneHost::gatherMidiInput() {
  eventsQueued_ = 0;
  uint32_t sysexUsed = 0;
  while (eventsQueued_ < kEventSlots) {
    const uint32_t length = midiIn_.frontLength();
    if (length == 0) break;
    uint8_t* slot = eventSlots_[eventsQueued_].bytes;
    uint8_t first = 0;
    midiIn_.copyFront(&first, 1);
    if (first == 0xF0) {
      if (sysexUsed + length > kSysexBytes) break;  // waits for the next block
      uint8_t* bytes = sysex_.get() + sysexUsed;
      midiIn_.copyFront(bytes, length);
      sysexUsed += length;
      auto* event = new (slot) clap_event_midi_sysex_t{};
      event->header = {sizeof(clap_event_midi_sysex_t), 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_MIDI_SYSEX, 0};
      event->port_index = 0;
      event->buffer = bytes;
      event->size = length;
    } else {
      auto* event = new (slot) clap_event_midi_t{};
      event->header = {sizeof(clap_event_midi_t), 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_MIDI, 0};
      event->port_index = 0;
      midiIn_.copyFront(event->data, std::min<uint32_t>(length, 3));
    }
    midiIn_.popFront(length);
    ++eventsQueued_;
  }
}

void StandaloneHost::onAudio(const float* const* inputs, uint32_t inputCount, float* const* outputs,
                             uint32_t outputCount, uint32_t frames) {
  if (!outputs) outputCount = 0;
  lockAudio();
  // A block longer than the pool holds is not played; a backend never delivers one.
  if (!callbackEnabled_.load(std::memory_order_relaxed) || frames > kMaxCallbackFrames) {
    silence(outputs, outputCount, frames);
    callbackAcknowledged_.store(true);
    unlockAudio();
    return;
  }

  const uint32_t ports = layout_.inputPorts + layout_.outputPorts;
  uint32_t channel = 0;
  for (uint32_t port = 0; port < ports; ++port) {
    clap_audio_buffer_t& buffer = audioBuffers_[port];
    buffer.data32 = poolChannels_.data() + channel;
    buffer.data64 = nullptr;
    buffer.channel_count = layout_.channels[port];
    buffer.latency = 0;
    buffer.constant_mask = 0;
    if (port < layout_.inputPorts) {
      for (uint32_t c = 0; c < buffer.channel_count; ++c) std::memset(buffer.data32[c], 0, sizeof(float) * frames);
    }
    channel += layout_.channels[port];
  }

  if (layout_.mainInput >= 0 && inputs && inputCount > 0 && !inputMuted_.load(std::memory_order_relaxed)) {
    const clap_audio_buffer_t& main = audioBuffers_[uint32_t(layout_.mainInput)];
    for (uint32_t c = 0; c < main.channel_count; ++c) {
      const float* from = inputs[std::min(c, inputCount - 1)];
      if (from) std::memcpy(main.data32[c], from, sizeof(float) * frames);
    }
  }

  gatherMidiInput();

  clap_process_t process{};
  process.steady_time = steadyTime_;
  process.frames_count = frames;
  process.transport = nullptr;
  process.audio_inputs = layout_.inputPorts ? audioBuffers_.data() : nullptr;
  process.audio_outputs = layout_.outputPorts ? audioBuffers_.data() + layout_.inputPorts : nullptr;
  process.audio_inputs_count = layout_.inputPorts;
  process.audio_outputs_count = layout_.outputPorts;
  process.in_events = &inputEvents_;
  process.out_events = &outputEvents_;
  const clap_plugin_t* p = plugin_->plugin();
  p->process(p, &process);
  steadyTime_ += frames;

  uint32_t written = 0;
  if (layout_.mainOutput >= 0) {
    const clap_audio_buffer_t& main = audioBuffers_[layout_.inputPorts + uint32_t(layout_.mainOutput)];
    const uint32_t n = main.channel_count;
    const uint32_t m = n == 1 ? 2 : n;
    written = std::min(outputCount, m);
    for (uint32_t c = 0; c < written; ++c) {
      if (outputs[c]) std::memcpy(outputs[c], main.data32[n == 1 ? 0 : c], sizeof(float) * frames);
    }
  }
  for (uint32_t c = written; c < outputCount; ++c) {
    if (outputs[c]) std::memset(outputs[c], 0, sizeof(float) * frames);
  }
  unlockAudio();
}

bool StandaloneHost::pushOutputEvent(const clap_output_events_t* list, const clap_event_header_t* event) {
  auto* self = static_cast<StandaloneHost*>(list->ctx);
  if (!event || event->space_id != CLAP_CORE_EVENT_SPACE_ID || !self->midiOutputEnabled_.load(std::memory_order_relaxed)) {
    return true;
  }
  switch (event->type) {
    case CLAP_EVENT_NOTE_ON:
    case CLAP_EVENT_NOTE_OFF: {
      const auto* note = reinterpret_cast<const clap_event_note_t*>(event);
      if (note->channel < 0 || note->channel > 15 || note->key < 0 || note->key > 127) break;
      const double scaled = note->velocity * 127.0;
      long velocity = scaled > 0 ? std::lround(std::min(scaled, 127.0)) : 0L;  // NaN too is 0
      const bool on = event->type == CLAP_EVENT_NOTE_ON;
      if (on && velocity == 0) velocity = 1;  // a note-on of velocity 0 would be a note-off
      const uint8_t bytes[3] = {uint8_t((on ? 0x90 : 0x80) | note->channel), uint8_t(note->key), uint8_t(velocity)};
      self->midiOut_.push(bytes, 3);
      break;
    }
    case CLAP_EVENT_MIDI: {
      const auto* midi = reinterpret_cast<const clap_event_midi_t*>(event);
      if (const uint32_t length = midiMessageLength(midi->data[0])) self->midiOut_.push(midi->data, length);
      break;
    }
    case CLAP_EVENT_MIDI_SYSEX: {
      const auto* sysex = reinterpret_cast<const clap_event_midi_sysex_t*>(event);
      if (sysex->buffer && sysex->size > 0) self->midiOut_.push(sysex->buffer, sysex->size);
      break;
    }
    default: break;
  }
  return true;
}

void StandaloneHost::receiveMidi(const uint8_t* bytes, std::size_t length) {
  if (!bytes || length == 0 || bytes[0] == 0xFE) return;  // active sensing only keeps a cable alive
  if (bytes[0] == 0xF0 ? !layout_.acceptsMidi : length > 3) return;
  while (midiInLock_.exchange(true, std::memory_order_acquire)) {
  }
  const bool queued = length <= MidiByteRing::kMaxMessage && midiIn_.push(bytes, uint32_t(length));
  midiInLock_.store(false, std::memory_order_release);
  if (!queued) droppedMidi_.fetch_add(1);
}

}  // namespace strobe95::standalone
