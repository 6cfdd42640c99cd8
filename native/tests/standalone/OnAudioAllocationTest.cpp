// Counts every heap allocation the audio callback makes: malloc and operator new are
// replaced for this test program, and only the render thread's calls are counted. The
// real plugin is linked in and reached through the program's own entry.
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

#include "AllocationCounter.h"
#include "StandaloneHost.h"

extern "C" const clap_plugin_entry_t clap_entry;

namespace strobe95::standalone {
namespace {

TEST(OnAudio, TheCounterSeesAllocationsOnTheCountedThread) {
  std::thread([] {
    strobe95::test::countAllocations(true);
    const long before = strobe95::test::allocationCount();
    std::string grown(1000, 'x');
    EXPECT_GT(strobe95::test::allocationCount(), before);
    strobe95::test::countAllocations(false);
  }).join();
}

TEST(OnAudio, NeverAllocatesWhatEverArrives) {
  StandaloneHost::setEnvironment({});  // no audio layer, no files: the callback is driven directly
  const char* argv[] = {"STROBE-95"};
  const auto plugin = createStandalonePlugin(&clap_entry, "co.glowhaus.strobe95", 0, 1, argv);
  ASSERT_NE(plugin, nullptr);
  StandaloneHost& host = StandaloneHost::instance();
  ASSERT_TRUE(host.activatePlugin(48000, 1, 4096));

  // Every kind of input, prepared outside the counted thread.
  std::mt19937 random(11);
  std::vector<std::vector<uint8_t>> messages;
  for (int i = 0; i < 4000; ++i) {
    switch (random() % 6) {
      case 0: messages.push_back({0x90, uint8_t(random() % 128), uint8_t(1 + random() % 127)}); break;
      case 1: messages.push_back({0x80, uint8_t(random() % 128), 0}); break;
      case 2: messages.push_back({0xB0, uint8_t(random() % 2 ? 123 : 120), 0}); break;
      case 3: messages.push_back({0xF8}); break;
      case 4: {
        std::vector<uint8_t> sysex(2 + random() % 3000, 0x42);
        sysex.front() = 0xF0;
        sysex.back() = 0xF7;
        messages.push_back(sysex);
        break;
      }
      default: messages.push_back({0xE0, uint8_t(random() % 128), uint8_t(random() % 128)}); break;
    }
  }
  std::vector<std::vector<float>> device(4, std::vector<float>(4096));
  std::vector<float*> outputs;
  for (auto& c : device) outputs.push_back(c.data());
  const uint32_t sizes[] = {1, 32, 128, 256, 1024, 4096};

  std::atomic<bool> done{false};
  long counted = -1;
  std::thread render([&] {
    std::mt19937 local(12);
    strobe95::test::countAllocations(true);
    const long before = strobe95::test::allocationCount();
    for (int round = 0; round < 1000; ++round) {
      host.onAudio(nullptr, 0, outputs.data(), 1 + local() % 4, sizes[local() % 6]);
    }
    counted = strobe95::test::allocationCount() - before;
    strobe95::test::countAllocations(false);
    done = true;
  });
  // The MIDI layer's threads deliver bursts meanwhile.
  for (std::size_t i = 0; !done; i = (i + 1) % messages.size()) {
    host.receiveMidi(messages[i].data(), messages[i].size());
    if (i % 64 == 0) std::this_thread::yield();
  }
  render.join();
  EXPECT_EQ(counted, 0);
  StandaloneHost::shutdown();
}

}  // namespace
}  // namespace strobe95::standalone
