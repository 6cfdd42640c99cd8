// The audio thread's block: every change the block brings, gathered in time order into
// one event list for the engine. Nothing here allocates, locks or waits.
#include <cmath>

#include "NumberText.h"
#include "Plugin.h"

namespace strobe95 {
namespace {

// The faceplate keyboard plays at MIDI velocity 100.
constexpr double kUiNoteVelocity = 100.0 / 127.0;
constexpr uint8_t kMaxMidiDataByte = 127;

bool differs(double a, double b) { return !(a == b); }  // NaN differs from everything

uint32_t clampOffset(uint32_t time, uint32_t frames) { return time < frames ? time : frames; }

}  // namespace

clap_process_status Plugin::process(const clap_process* p) {
  if (!engine_ || !p || p->audio_outputs_count == 0 || !p->audio_outputs ||
      p->audio_outputs[0].channel_count == 0 || !p->audio_outputs[0].data32) {
    return CLAP_PROCESS_ERROR;
  }
  blockEvents_.clear();
  const auto full = [this] { return blockEvents_.size() >= static_cast<std::size_t>(kMaxBlockEvents); };

  if (p->transport && (p->transport->flags & CLAP_TRANSPORT_HAS_TEMPO) &&
      differs(p->transport->tempo, lastTempo_)) {
    lastTempo_ = p->transport->tempo;
    blockEvents_.push_back({0, EngineEventKind::Tempo, 0, lastTempo_});
  }

  for (int i = 0; i < kParamCount && !full(); ++i) {
    const float v = values_[i].load();
    if (differs(v, applied_[i])) {
      applied_[i] = v;
      blockEvents_.push_back({0, EngineEventKind::ParamValue, static_cast<uint32_t>(i), v});
    }
  }

  gatherHostEvents(p);
  if (p->out_events) drainOutbox(p->out_events);

  UiNote note;
  while (!full() && uiNotes_.pop(note)) {
    if (note.on) {
      blockEvents_.push_back({0, EngineEventKind::NoteOn, note.key, kUiNoteVelocity});
    } else {
      blockEvents_.push_back({0, EngineEventKind::NoteOff, note.key, 0.0});
    }
  }

  const clap_audio_buffer& output = p->audio_outputs[0];
  float* left = output.data32[0];
  float* right = output.channel_count >= 2 ? output.data32[1] : left;
  engine_->process(left, right, static_cast<int32_t>(p->frames_count), blockEvents_.data(),
                   static_cast<int32_t>(blockEvents_.size()));
  return CLAP_PROCESS_CONTINUE;
}

void Plugin::gatherHostEvents(const clap_process* p) {
  const clap_input_events* in = p->in_events;
  if (!in) return;
  const uint32_t count = in->size(in);
  for (uint32_t i = 0; i < count; ++i) {
    if (blockEvents_.size() >= static_cast<std::size_t>(kMaxBlockEvents)) return;
    const clap_event_header* header = in->get(in, i);
    if (!header || header->space_id != CLAP_CORE_EVENT_SPACE_ID) continue;
    const uint32_t offset = clampOffset(header->time, p->frames_count);

    switch (header->type) {
      case CLAP_EVENT_NOTE_ON: {
        const auto* e = reinterpret_cast<const clap_event_note*>(header);
        if (e->key >= 0) {
          blockEvents_.push_back({offset, EngineEventKind::NoteOn, static_cast<uint32_t>(e->key), e->velocity});
        }
        break;
      }
      case CLAP_EVENT_NOTE_OFF:
      case CLAP_EVENT_NOTE_CHOKE: {
        const auto* e = reinterpret_cast<const clap_event_note*>(header);
        if (e->key >= 0) {
          blockEvents_.push_back({offset, EngineEventKind::NoteOff, static_cast<uint32_t>(e->key), 0.0});
        } else {
          blockEvents_.push_back({offset, EngineEventKind::AllNotesOff, 0, 0.0});
        }
        break;
      }
      case CLAP_EVENT_PARAM_VALUE: {
        const auto* e = reinterpret_cast<const clap_event_param_value*>(header);
        const int index = findParamByClapId(e->param_id);
        if (index < 0) break;
        const float v = narrowToFloat(e->value);
        storeHostValue(index, v);
        applied_[index] = v;
        blockEvents_.push_back({offset, EngineEventKind::ParamValue, static_cast<uint32_t>(index), v});
        break;
      }
      case CLAP_EVENT_MIDI: {
        const auto* e = reinterpret_cast<const clap_event_midi*>(header);
        // A data byte with bit 7 set is no data byte: the message is malformed, and
        // masking it would play some other key.
        if (e->data[1] > kMaxMidiDataByte || e->data[2] > kMaxMidiDataByte) break;
        const uint8_t status = e->data[0] & 0xF0;
        const uint32_t key = e->data[1];
        const uint8_t velocity = e->data[2];
        if (status == 0x90 && velocity > 0) {
          blockEvents_.push_back({offset, EngineEventKind::NoteOn, key, velocity / 127.0});
        } else if (status == 0x90 || status == 0x80) {
          blockEvents_.push_back({offset, EngineEventKind::NoteOff, key, 0.0});
        } else if (status == 0xB0 && (key == 120 || key == 123)) {
          blockEvents_.push_back({offset, EngineEventKind::AllNotesOff, 0, 0.0});
        }
        break;
      }
      default:
        break;
    }
  }
}

}  // namespace strobe95
