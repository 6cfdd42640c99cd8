#include "EventLists.h"

#include <cstring>

namespace strobe95::test {
namespace {

clap_event_header header(uint32_t time, uint16_t type, uint32_t size) {
  return clap_event_header{size, time, CLAP_CORE_EVENT_SPACE_ID, type, 0};
}

AnyEvent note(uint32_t time, uint16_t type, int16_t key, double velocity) {
  AnyEvent e{};
  e.note.header = header(time, type, sizeof(clap_event_note));
  e.note.note_id = -1;
  e.note.port_index = 0;
  e.note.channel = 0;
  e.note.key = key;
  e.note.velocity = velocity;
  return e;
}

}  // namespace

InputEvents& InputEvents::noteOn(uint32_t time, int16_t key, double velocity) {
  events.push_back(note(time, CLAP_EVENT_NOTE_ON, key, velocity));
  return *this;
}

InputEvents& InputEvents::noteOff(uint32_t time, int16_t key) {
  events.push_back(note(time, CLAP_EVENT_NOTE_OFF, key, 0.0));
  return *this;
}

InputEvents& InputEvents::choke(uint32_t time, int16_t key) {
  events.push_back(note(time, CLAP_EVENT_NOTE_CHOKE, key, 0.0));
  return *this;
}

InputEvents& InputEvents::param(uint32_t time, uint32_t paramId, double value) {
  AnyEvent e{};
  e.param.header = header(time, CLAP_EVENT_PARAM_VALUE, sizeof(clap_event_param_value));
  e.param.param_id = paramId;
  e.param.note_id = -1;
  e.param.port_index = -1;
  e.param.channel = -1;
  e.param.key = -1;
  e.param.value = value;
  events.push_back(e);
  return *this;
}

InputEvents& InputEvents::midi(uint32_t time, uint8_t status, uint8_t data1, uint8_t data2) {
  AnyEvent e{};
  e.midi.header = header(time, CLAP_EVENT_MIDI, sizeof(clap_event_midi));
  e.midi.data[0] = status;
  e.midi.data[1] = data1;
  e.midi.data[2] = data2;
  events.push_back(e);
  return *this;
}

InputEvents& InputEvents::raw(const AnyEvent& event) {
  events.push_back(event);
  return *this;
}

const clap_input_events* InputEvents::list() {
  list_.ctx = this;
  list_.size = [](const clap_input_events* l) {
    return static_cast<uint32_t>(static_cast<InputEvents*>(l->ctx)->events.size());
  };
  list_.get = [](const clap_input_events* l, uint32_t i) -> const clap_event_header* {
    auto* self = static_cast<InputEvents*>(l->ctx);
    return i < self->events.size() ? &self->events[i].header : nullptr;
  };
  return &list_;
}

const clap_output_events* OutputEvents::list() {
  list_.ctx = this;
  list_.try_push = [](const clap_output_events* l, const clap_event_header* event) {
    auto* self = static_cast<OutputEvents*>(l->ctx);
    if (self->refuse || event->size > sizeof(AnyEvent)) return false;
    AnyEvent copy{};
    std::memcpy(&copy, event, event->size);
    self->events.push_back(copy);
    return true;
  };
  return &list_;
}

}  // namespace strobe95::test
