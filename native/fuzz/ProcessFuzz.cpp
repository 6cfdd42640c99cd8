// Any event lists and block sizes through process, on instances made the way a host
// makes them: through the plugin's clap_entry and factory. The entry is linked in rather
// than loaded with dlopen, because the sanitizers and libFuzzer's coverage want the
// plugin's code in the fuzzing program itself. Every output sample must be finite and
// within the loudest a legal stream can make (worked out in the hostile-stream tests).
//
// One instance per sample rate lives across inputs, as in a host that renders one
// project after another: between inputs it is given the default state (as a host
// loading a project does) and reset. Now and then the same input also runs on
// a fresh instance, whose output must match the kept one's bit for bit, so whatever an
// input leaves behind can neither hide a fault from the next input nor fake one.
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <clap/entry.h>
#include <clap/plugin-factory.h>

#include "AudioBlock.h"
#include "EventLists.h"
#include "FuzzInput.h"
#include "ParamSpec.h"
#include "Streams.h"
#include "TestHost.h"

extern "C" const clap_plugin_entry clap_entry;

namespace {

using namespace strobe95;
using fuzz::FuzzInput;
using fuzz::require;

constexpr uint32_t kMaxFrames = 512;
constexpr int kMaxBlocks = 24;
constexpr double kRates[] = {44100, 48000, 96000, 22050, 192000, 8000, 11025, 384000};
// One input in this many (chosen by its bytes, so a replay does the same) is checked
// against a fresh instance.
constexpr uint32_t kFreshCheckEvery = 32;

class Instance {
 public:
  explicit Instance(double rate) : rate_(rate) {
    const auto* factory = static_cast<const clap_plugin_factory*>(clap_entry.get_factory(CLAP_PLUGIN_FACTORY_ID));
    plugin_ = factory->create_plugin(factory, host_.host(), factory->get_plugin_descriptor(factory, 0)->id);
    require(plugin_ && plugin_->init(plugin_), "the plugin is not created");
    state_ = static_cast<const clap_plugin_state*>(plugin_->get_extension(plugin_, CLAP_EXT_STATE));
    require(state_ != nullptr, "the plugin offers no state");
    start();
  }
  ~Instance() {
    plugin_->stop_processing(plugin_);
    plugin_->deactivate(plugin_);
    plugin_->destroy(plugin_);
  }
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  const clap_plugin* plugin() const { return plugin_; }
  std::string saveText() const {
    test::OutputStream out;
    return state_->save(plugin_, out.stream()) ? out.bytes : std::string();
  }
  // Back to how a fresh instance starts, as a host does before a bounce: every value at
  // its default (a project's state loaded), then a reset.
  void restart(const std::string& defaults) {
    test::InputStream in(defaults);
    require(state_->load(plugin_, in.stream()), "the default state does not load");
    plugin_->reset(plugin_);
  }

 private:
  void start() {
    require(plugin_->activate(plugin_, rate_, 1, kMaxFrames) && plugin_->start_processing(plugin_),
            "the plugin does not start at %g Hz", rate_);
  }

  double rate_;
  test::TestHost host_;
  const clap_plugin* plugin_ = nullptr;
  const clap_plugin_state* state_ = nullptr;
};

void addEvent(FuzzInput& in, test::InputEvents& events, clap_event_transport& transport, bool& withTransport) {
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

// Plays the blocks the input describes (after its rate byte) and returns every sample.
std::vector<float> play(const clap_plugin* plugin, FuzzInput in) {
  std::vector<float> heard;
  for (int blocks = 0; in.more() && blocks < kMaxBlocks; ++blocks) {
    const uint32_t frames = in.next<uint16_t>() % (kMaxFrames + 1);
    const int count = in.next<uint8_t>() % 32;
    test::InputEvents events;
    clap_event_transport transport{};
    bool withTransport = false;
    for (int e = 0; e < count && in.more(); ++e) addEvent(in, events, transport, withTransport);
    test::AudioBlock block(frames);
    test::OutputEvents out;
    require(plugin->process(plugin, block.process(&events, &out, withTransport ? &transport : nullptr)) !=
                CLAP_PROCESS_ERROR,
            "process failed on a block of %u frames", frames);
    for (const auto& channel : block.channels) {
      fuzz::requireLegalSamples(channel.data(), channel.size());
      heard.insert(heard.end(), channel.begin(), channel.end());
    }
  }
  return heard;
}

uint32_t fnv1a(const uint8_t* data, size_t size) {
  uint32_t h = 2166136261u;
  for (size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 16777619u;
  return h;
}

}  // namespace

// The first byte picks the rate; then blocks, each a frame count, an event count and
// that many events of nine bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = clap_entry.init("");
  require(ready, "the entry does not initialise");
  static std::array<std::unique_ptr<Instance>, std::size(kRates)> kept;
  static std::string defaults;

  FuzzInput in(data, size);
  const size_t rateIndex = in.next<uint8_t>() % std::size(kRates);
  auto& instance = kept[rateIndex];
  if (!instance) {
    instance = std::make_unique<Instance>(kRates[rateIndex]);
    if (defaults.empty()) defaults = instance->saveText();
  } else {
    instance->restart(defaults);
  }
  const std::vector<float> heard = play(instance->plugin(), in);

  if (fnv1a(data, size) % kFreshCheckEvery == 0) {
    Instance fresh(kRates[rateIndex]);
    const std::vector<float> freshHeard = play(fresh.plugin(), in);
    require(freshHeard.size() == heard.size(), "a fresh instance plays another length");
    for (size_t i = 0; i < heard.size(); ++i) {
      require(std::memcmp(&heard[i], &freshHeard[i], sizeof(float)) == 0,
              "sample %u differs from a fresh instance's: %.9g against %.9g", unsigned(i), double(heard[i]),
              double(freshHeard[i]));
    }
  }
  return 0;
}
