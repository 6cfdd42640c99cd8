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

void time(const char* name, const std::function<void(Engine&, Block&)>& prepare) {
  Engine engine(kVoiceCount, kRate);
  Block block;
  prepare(engine, block);
  std::vector<double> perBlock;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = std::chrono::steady_clock::now();
    for (int n = 0; n < kBlocksPerRun; ++n) block.process(engine);
    const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
    perBlock.push_back(took.count() / kBlocksPerRun);
  }
  std::nth_element(perBlock.begin(), perBlock.begin() + kRuns / 2, perBlock.end());
  const double median = perBlock[kRuns / 2];
  const double blockMicros = 1e6 * kFrames / kRate;
  std::printf("%-16s %10.3f us  x_realtime=%.1f\n", name, median, blockMicros / median);
}

}  // namespace

int main() {
  for (const int voices : {16, 1, 4, 8}) {
    char name[32];
    std::snprintf(name, sizeof name, "engineLoad/%d", voices);
    time(name, [voices](Engine& engine, Block& block) { startLoad(engine, block, voices); });
  }
  time("engineIdle", settleIdle);
  return 0;
}
