// Counts every heap allocation made on the audio thread while the plugin processes:
// malloc and operator new are replaced for this test program, and the plugin, loaded by
// path, resolves them to these replacements.
#include <dlfcn.h>

#include <random>

#include "AllocationCounter.h"
#include "ParamSpec.h"
#include "Plugin.h"
#include "PluginFixture.h"

namespace strobe95::test {
namespace {

using strobe95::Plugin;

class CountingScope {
 public:
  CountingScope() { countAllocations(true); }
  ~CountingScope() { countAllocations(false); }
};

TEST(Realtime, TheCounterSeesAllocationsInsideThePlugin) {
  // Saving builds a string inside the plugin: proof the replacements reach the library.
  TestHost host;
  PluginInstance instance(builtPlugin(), host);
  const long before = allocationCount();
  {
    CountingScope scope;
    (void)instance.saveText();
  }
  EXPECT_GT(allocationCount(), before);
}

TEST(Realtime, ProcessNeverAllocates) {
  TestHost host;
  PluginInstance instance(builtPlugin(), host);
  ASSERT_TRUE(instance->activate(instance.plugin(), 48000, 1, 4096));
  ASSERT_TRUE(instance->start_processing(instance.plugin()));

  std::mt19937 random(48000);
  std::vector<clap_param_info> infos(37);
  for (uint32_t i = 0; i < 37; ++i) instance.params()->get_info(instance.plugin(), i, &infos[i]);
  std::vector<AudioBlock> blocks;
  for (uint32_t frames : {0u, 1u, 64u, 128u, 129u, 4096u}) blocks.emplace_back(frames);
  // Every kind of input, prepared outside the counted region, then replayed at random.
  std::vector<InputEvents> inputs(8);
  for (auto& in : inputs) {
    const int n = int(random() % 5000);  // more than the block list holds
    for (int i = 0; i < n; ++i) {
      const auto time = uint32_t(random() % 4200);
      switch (random() % 5) {
        case 0: in.noteOn(time, int16_t(random() % 128), 0.5); break;
        case 1: in.noteOff(time, int16_t(random() % 129) - 1); break;
        case 2: {  // any parameter, the switches that start the arpeggiator and mono included
          const clap_param_info& info = infos[random() % 37];
          in.param(time, info.id, info.min_value + (info.max_value - info.min_value) * double(random() % 101) / 100);
          break;
        }
        case 3: in.midi(time, uint8_t(0x80 + random() % 0x70), uint8_t(random() % 128), uint8_t(random() % 128)); break;
        default: in.param(time, uint32_t(random()), 1.0); break;
      }
    }
    in.list();
  }
  std::vector<OutputEvents> outs(blocks.size());
  for (auto& out : outs) out.events.reserve(1 << 16);
  const clap_event_transport transport = transportWithTempo(133);

  long allocations = 0;
  for (int round = 0; round < 2000; ++round) {
    AudioBlock& block = blocks[random() % blocks.size()];
    InputEvents& in = inputs[random() % inputs.size()];
    OutputEvents& out = outs[random() % outs.size()];
    if (out.events.size() > 60000) out.events.clear();
    const clap_process* p = block.process(&in, &out, round % 3 ? &transport : nullptr);
    const long before = allocationCount();
    {
      CountingScope scope;
      instance->process(instance.plugin(), p);
      instance->reset(instance.plugin());
    }
    allocations += allocationCount() - before;
  }
  EXPECT_EQ(allocations, 0);
}

// The faceplate's queues are drained by process too; the plugin class is driven directly
// because the faceplate has no CLAP entry point of its own yet.
TEST(Realtime, DrainingFaceplateQueuesNeverAllocates) {
  TestHost host;
  Plugin plugin(host.host());
  ASSERT_TRUE(plugin.init());
  ASSERT_TRUE(plugin.activate(48000));
  AudioBlock block(256);
  OutputEvents out;
  out.events.reserve(1 << 14);
  std::mt19937 random(7);
  long allocations = 0;
  for (int round = 0; round < 500; ++round) {
    const int index = int(random() % kParamCount);
    const int edits = int(random() % 3000);  // sometimes more than the outbox holds
    plugin.beginGesture(index);
    for (int i = 0; i < edits; ++i) plugin.setParameterFromGui(index, float(random() % 1000) / 999.0f);
    plugin.endGesture(index);
    for (int i = 0; i < int(random() % 3000); ++i) plugin.pushUiNote(uint32_t(random() % 128), i % 2 == 0);
    out.events.clear();
    const clap_process* p = block.process(nullptr, &out);
    const long before = allocationCount();
    {
      CountingScope scope;
      plugin.process(p);
      plugin.flush(nullptr, out.list());
    }
    allocations += allocationCount() - before;
  }
  EXPECT_EQ(allocations, 0);
}

}  // namespace
}  // namespace strobe95::test
