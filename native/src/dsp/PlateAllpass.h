#pragma once
// A Schroeder allpass on its own line: flat in magnitude, it smears a click into a dense
// burst. Each sample uses the value the line gave on the previous sample, so its delay is
// one more than its read offset.
#include <cstddef>
#include <cstdint>

#include "DelayLine.h"
#include "Denormal.h"

namespace strobe95::fx {

template <std::size_t kLength>
class PlateAllpass {
 public:
  // A negative gain gives the inverted form the tank's first allpasses use.
  PlateAllpass(uint32_t readOffset, float gain) : readOffset_(readOffset), gain_(gain) {}

  void clear() {
    line_.clear();
    lastRead_ = 0.0f;
  }

  float process(float x, uint32_t index) {
    const float w = flushDenormal(x - gain_ * lastRead_);
    line_.write(index, w);
    const float y = flushDenormal(lastRead_ + gain_ * w);
    lastRead_ = line_.read(index, readOffset_);
    return y;
  }

 private:
  uint32_t readOffset_;
  float gain_;

  DelayLine<kLength> line_;
  float lastRead_ = 0.0f;  // w from (read offset + 1) samples ago
};

}  // namespace strobe95::fx
