// What the plugin boundary costs a host, through the built binary: a block with nothing
// to do, a block carrying a host automation burst, and the state and value text a host
// asks for on the main thread.
#include <benchmark/benchmark.h>

#include "AudioBlock.h"
#include "EventLists.h"
#include "TestHost.h"

namespace strobe95::test {
namespace {

const PluginLibrary& plugin() {
  static PluginLibrary library(STROBE95_PLUGIN_PATH);
  return library;
}

void processEmptyBlock(benchmark::State& state) {
  TestHost host;
  PluginInstance instance(plugin(), host);
  instance->activate(instance.plugin(), 48000, 1, 4096);
  AudioBlock block(uint32_t(state.range(0)));
  const clap_process* p = block.process(nullptr, nullptr);
  for (auto _ : state) benchmark::DoNotOptimize(instance->process(instance.plugin(), p));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(processEmptyBlock)->Arg(32)->Arg(128)->Arg(1024);

void processAutomationBurst(benchmark::State& state) {
  TestHost host;
  PluginInstance instance(plugin(), host);
  instance->activate(instance.plugin(), 48000, 1, 4096);
  AudioBlock block(128);
  InputEvents in;
  for (uint32_t i = 0; i < 128; ++i) in.param(i, clapIdOf("cutoff"), 100.0 + i);
  const clap_process* p = block.process(&in, nullptr);
  for (auto _ : state) benchmark::DoNotOptimize(instance->process(instance.plugin(), p));
  state.SetItemsProcessed(state.iterations() * 128);
}
BENCHMARK(processAutomationBurst);

void saveAndLoadState(benchmark::State& state) {
  TestHost host;
  PluginInstance instance(plugin(), host);
  for (auto _ : state) {
    const std::string text = instance.saveText();
    benchmark::DoNotOptimize(instance.loadText(text));
  }
}
BENCHMARK(saveAndLoadState);

void valueTextRoundTrip(benchmark::State& state) {
  TestHost host;
  PluginInstance instance(plugin(), host);
  const clap_id cutoff = clapIdOf("cutoff");
  char buffer[64];
  double value = 0;
  for (auto _ : state) {
    instance.params()->value_to_text(instance.plugin(), cutoff, 1234.5, buffer, sizeof buffer);
    instance.params()->text_to_value(instance.plugin(), cutoff, buffer, &value);
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(valueTextRoundTrip);

}  // namespace
}  // namespace strobe95::test

