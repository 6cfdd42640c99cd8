// Any MIDI a keyboard, a cable or another program could send into the standalone
// program: short messages as the MIDI layer delivers them, long-message buffers split
// anywhere through the sysex assembler, broken buffers, raw device bytes through the
// stream parser, and audio callbacks between them. Everything goes through the host's receive filter and input ring into the real
// plugin's process; every sample that comes out must be finite and within the loudest a
// legal stream can make.
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "FuzzInput.h"
#include "FuzzStandalone.h"
#include "Streams.h"
#include "MidiStreamParser.h"
#include "SysexAssembler.h"

namespace {

using namespace strobe95;
using fuzz::FuzzInput;
using fuzz::require;

constexpr uint32_t kMaxFrames = 512;
// Enough callbacks to take whatever an input of libFuzzer's longest can leave queued.
constexpr int kDrainCallbacks = 20;

void callback(standalone::StandaloneHost& host, uint32_t frames) {
  static std::array<std::vector<float>, 2> channels{std::vector<float>(kMaxFrames), std::vector<float>(kMaxFrames)};
  float* outputs[] = {channels[0].data(), channels[1].data()};
  host.onAudio(nullptr, 0, outputs, 2, frames);
  for (const auto& channel : channels) fuzz::requireLegalSamples(channel.data(), frames);
}

}  // namespace

// A sequence of steps, each a kind byte and, for the kinds that carry bytes, a length
// byte and that many bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto& host = fuzz::standaloneHost();
  static const std::string defaults = [] {
    test::OutputStream out;
    const auto* p = fuzz::standaloneHost().plugin()->plugin();
    fuzz::standaloneHost().plugin()->extensions().state->save(p, out.stream());
    return out.bytes;
  }();
  static const bool active = host.activatePlugin(48000, 1, kMaxFrames);
  require(active, "the plugin does not activate");
  {
    // Every input starts on the default sound with nothing sounding; the input ring was
    // drained at the end of the last one.
    const auto* p = host.plugin()->plugin();
    test::InputStream in(defaults);
    host.plugin()->extensions().state->load(p, in.stream());
    p->reset(p);
  }

  standalone::SysexAssembler assembler;
  standalone::MidiStreamParser stream;
  const standalone::MidiReceive receive = [&host](const uint8_t* bytes, size_t length) {
    host.receiveMidi(bytes, length);
  };
  FuzzInput in(data, size);
  while (in.more()) {
    const uint8_t kind = in.next<uint8_t>();
    switch (kind % 4) {
      case 0: {  // a short message, up to three bytes as a layer's short-message callback gives
        size_t length = 0;
        const uint8_t* bytes = in.bytes(1 + kind / 4 % 3, length);
        host.receiveMidi(bytes, length);
        break;
      }
      case 1: {  // one long-message buffer
        size_t length = 0;
        const uint8_t* bytes = in.bytes(in.next<uint8_t>(), length);
        assembler.feed(bytes, length, receive);
        break;
      }
      case 2:
        if (kind / 4 % 2 == 0) {
          assembler.clear();
        } else {  // a raw MIDI device's bytes, as a serial port delivers them
          size_t length = 0;
          const uint8_t* bytes = in.bytes(in.next<uint8_t>(), length);
          stream.feed(bytes, length, receive);
        }
        break;
      default:
        callback(host, (kind / 4) * 8 % (kMaxFrames + 1));
    }
  }
  // Callbacks of no frames still take what waits in the ring to the plugin.
  for (int i = 0; i < kDrainCallbacks; ++i) callback(host, 0);
  return 0;
}
