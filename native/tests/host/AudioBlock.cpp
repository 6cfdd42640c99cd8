#include "AudioBlock.h"

namespace strobe95::test {

AudioBlock::AudioBlock(uint32_t frames, uint32_t channelCount)
    : channels(channelCount, std::vector<float>(frames, kUntouched)) {
  for (auto& channel : channels) pointers_.push_back(channel.data());
  buffer_.data32 = pointers_.data();
  buffer_.channel_count = channelCount;
  process_.frames_count = frames;
  process_.steady_time = -1;
  process_.audio_outputs = &buffer_;
  process_.audio_outputs_count = 1;
}

const clap_process* AudioBlock::process(InputEvents* in, OutputEvents* out,
                                        const clap_event_transport* transport) {
  process_.in_events = (in ? in : &empty_)->list();
  process_.out_events = (out ? out : &discard_)->list();
  process_.transport = transport;
  return &process_;
}

clap_event_transport transportWithTempo(double tempo) {
  clap_event_transport t{};
  t.header = {sizeof t, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_TRANSPORT, 0};
  t.flags = CLAP_TRANSPORT_HAS_TEMPO;
  t.tempo = tempo;
  return t;
}

}  // namespace strobe95::test
