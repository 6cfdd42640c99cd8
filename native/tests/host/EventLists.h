#pragma once
// The input and output event lists a host hands to process and flush.
#include <cstdint>
#include <vector>

#include <clap/events.h>

namespace strobe95::test {

union AnyEvent {
  clap_event_header header;
  clap_event_note note;
  clap_event_param_value param;
  clap_event_param_gesture gesture;
  clap_event_midi midi;
  clap_event_transport transport;
};

class InputEvents {
 public:
  InputEvents& noteOn(uint32_t time, int16_t key, double velocity = 1.0);
  InputEvents& noteOff(uint32_t time, int16_t key);
  InputEvents& choke(uint32_t time, int16_t key);
  InputEvents& param(uint32_t time, uint32_t paramId, double value);
  InputEvents& midi(uint32_t time, uint8_t status, uint8_t data1, uint8_t data2);
  // Any event as given, for foreign spaces and types.
  InputEvents& raw(const AnyEvent& event);

  const clap_input_events* list();
  std::vector<AnyEvent> events;

 private:
  clap_input_events list_{};
};

class OutputEvents {
 public:
  const clap_output_events* list();
  std::vector<AnyEvent> events;
  bool refuse = false;  // a host whose queue is full

 private:
  clap_output_events list_{};
};

}  // namespace strobe95::test
