// Any event lists and block sizes through process, on an instance made the way a host
// makes one: through the plugin's clap_entry and factory. The entry is linked in rather
// than loaded with dlopen, because the sanitizers and libFuzzer's coverage want the
// plugin's code in the fuzzing program itself. Every output sample must be finite and
// within the loudest a legal stream can make (worked out in the hostile-stream tests).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <clap/entry.h>
#include <clap/plugin-factory.h>

#include "AudioBlock.h"
#include "EventLists.h"
#include "ParamSpec.h"
#include "TestHost.h"

extern "C" const clap_plugin_entry clap_entry;

namespace {

using namespace strobe95;

constexpr float kLoudestLegal = 5000.0f;
constexpr uint32_t kMaxFrames = 512;

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool more() const { return at_ < size_; }
  template <typename T>
  T next() {
    T value{};
    const size_t n = std::min(sizeof(T), size_ - at_);
    std::memcpy(&value, data_ + at_, n);
    at_ += n;
    return value;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

void addEvent(Reader& in, test::InputEvents& events, clap_event_transport& transport, bool& withTransport) {
  const auto type = in.next<uint8_t>();
  const auto time = in.next<uint16_t>();  // may lie beyond the block
  const auto a = in.next<int16_t>();
  const auto b = in.next<float>();  // any bits: NaN, infinities, subnormals
  switch (type % 6) {
    case 0: events.noteOn(time, a, b); break;
    case 1: events.noteOff(time, a); break;
    case 2: events.choke(time, a); break;
    case 3: {
      uint32_t bits;
      std::memcpy(&bits, &b, sizeof bits);
      events.midi(time, uint8_t(a), uint8_t(a >> 8), uint8_t(bits));
      break;
    }
    case 4: {
      const uint16_t index = uint16_t(a);
      // Mostly a real parameter, now and then an id the plugin never gave.
      const uint32_t id = index < 0xF000 ? kParamSpecs[index % kParamCount].clapId : index;
      events.param(time, id, b);
      break;
    }
    default:
      transport = test::transportWithTempo(b);
      withTransport = true;
  }
}

void requireClean(const test::AudioBlock& block) {
  for (const auto& channel : block.channels) {
    for (size_t i = 0; i < channel.size(); ++i) {
      if (!std::isfinite(channel[i]) || std::fabs(channel[i]) > kLoudestLegal) {
        std::fprintf(stderr, "output frame %zu is %g\n", i, channel[i]);
        std::abort();
      }
    }
  }
}

}  // namespace

// The first byte picks the rate; then blocks, each a frame count, an event count and
// that many events of nine bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static constexpr double kRates[] = {44100, 48000, 96000, 22050, 192000, 8000, 11025, 384000};
  static const bool ready = clap_entry.init("");
  if (!ready) std::abort();
  Reader in(data, size);
  const double rate = kRates[in.next<uint8_t>() % std::size(kRates)];

  test::TestHost host;
  const auto* factory = static_cast<const clap_plugin_factory*>(clap_entry.get_factory(CLAP_PLUGIN_FACTORY_ID));
  const clap_plugin* plugin = factory->create_plugin(factory, host.host(), factory->get_plugin_descriptor(factory, 0)->id);
  if (!plugin || !plugin->init(plugin) || !plugin->activate(plugin, rate, 1, kMaxFrames) ||
      !plugin->start_processing(plugin)) {
    std::abort();
  }
  for (int blocks = 0; in.more() && blocks < 24; ++blocks) {
    const uint32_t frames = in.next<uint16_t>() % (kMaxFrames + 1);
    const int count = in.next<uint8_t>() % 32;
    test::InputEvents events;
    clap_event_transport transport{};
    bool withTransport = false;
    for (int e = 0; e < count && in.more(); ++e) addEvent(in, events, transport, withTransport);
    test::AudioBlock block(frames);
    test::OutputEvents out;
    if (plugin->process(plugin, block.process(&events, &out, withTransport ? &transport : nullptr)) ==
        CLAP_PROCESS_ERROR) {
      std::fprintf(stderr, "process failed on a block of %u frames\n", frames);
      std::abort();
    }
    requireClean(block);
  }
  plugin->stop_processing(plugin);
  plugin->deactivate(plugin);
  plugin->destroy(plugin);
  return 0;
}
