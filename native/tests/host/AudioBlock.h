#pragma once
// Output buffers and the clap_process that carries them, as a host fills it per block.
#include <cstdint>
#include <vector>

#include <clap/process.h>

#include "EventLists.h"

namespace strobe95::test {

class AudioBlock {
 public:
  // Buffers start at a value the plugin never writes, so untouched frames show.
  static constexpr float kUntouched = 12345.0f;

  explicit AudioBlock(uint32_t frames, uint32_t channels = 2);
  const clap_process* process(InputEvents* in, OutputEvents* out,
                              const clap_event_transport* transport = nullptr);
  std::vector<std::vector<float>> channels;

 private:
  std::vector<float*> pointers_;
  clap_audio_buffer buffer_{};
  clap_process process_{};
  InputEvents empty_;
  OutputEvents discard_;
};

clap_event_transport transportWithTempo(double tempo);

}  // namespace strobe95::test
