// The engine workloads of the benchmarks, timed in the Windows build. Google Benchmark
// has no MinGW build on this project's machines, so this program times the same
// workloads itself: for each, nine runs of 2000 blocks, and it prints the median time
// per block and the factor over real time on one core. Run it under Wine or on Windows;
// it asserts nothing.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "EngineWorkloads.h"

namespace {

using namespace strobe95;
using namespace strobe95::workloads;

constexpr int kRuns = 9;
constexpr int kBlocksPerRun = 2000;

// prepare: once before the runs; step: one block.
void time(const char* name, const std::function<void(Engine&, Block&)>& prepare,
          const std::function<void(Engine&, Block&)>& step = [](Engine& e, Block& b) { b.process(e); }) {
  Engine engine(kVoiceCount, kRate);
  Block block;
  prepare(engine, block);
  std::vector<double> perBlock;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = std::chrono::steady_clock::now();
    for (int n = 0; n < kBlocksPerRun; ++n) step(engine, block);
    const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
    perBlock.push_back(took.count() / kBlocksPerRun);
  }
  std::nth_element(perBlock.begin(), perBlock.begin() + kRuns / 2, perBlock.end());
  const double median = perBlock[kRuns / 2];
  const double blockMicros = 1e6 * kFrames / kRate;
  std::printf("%-20s %10.3f us  x_realtime=%.1f\n", name, median, blockMicros / median);
}

}  // namespace

void timePlayed(const char* name, PlayedChords played) {
  time(name, [](Engine&, Block&) {}, [&played](Engine& engine, Block& block) { played.next(engine, block); });
}

int main() {
  char name[32];
  for (const int voices : {16, 1, 4, 8}) {
    std::snprintf(name, sizeof name, "enginePlayed/%d", voices);
    timePlayed(name, playedStab(voices));
  }
  timePlayed("enginePlayedAcid/16", playedAcid(16));
  for (const int voices : {16, 1, 4, 8}) {
    std::snprintf(name, sizeof name, "engineLoad/%d", voices);
    time(name, [voices](Engine& engine, Block& block) { startLoad(engine, block, voices); });
  }
  time("engineIdle", settleIdle);
  return 0;
}
