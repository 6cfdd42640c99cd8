#pragma once
// A small hall around the sampled instruments: four damped feedback combs in parallel
// into two allpasses, the classic arrangement for a short, dense tail.
#include <array>
#include <vector>

#include "SynthStages.h"

namespace strobe95::samples {

class Ambience {
 public:
  // feedback sets the tail length, damping how quickly its top end dies.
  Ambience(double feedback, double damping) : feedback_(feedback), damping_(damping) {
    const std::array<int, 4> combLengths{1557, 1617, 1491, 1422};
    const std::array<int, 2> allpassLengths{556, 225};
    for (size_t i = 0; i < combs_.size(); ++i) combs_[i].line.assign(combLengths[i], 0.0);
    for (size_t i = 0; i < allpasses_.size(); ++i) allpasses_[i].line.assign(allpassLengths[i], 0.0);
  }

  double next(double in) {
    double sum = 0.0;
    for (Comb& comb : combs_) {
      const double delayed = comb.line[comb.index];
      comb.filtered = delayed + damping_ * (comb.filtered - delayed);
      comb.line[comb.index] = in + feedback_ * comb.filtered;
      comb.index = (comb.index + 1) % comb.line.size();
      sum += delayed;
    }
    for (Allpass& allpass : allpasses_) {
      const double delayed = allpass.line[allpass.index];
      allpass.line[allpass.index] = sum + kAllpassGain * delayed;
      allpass.index = (allpass.index + 1) % allpass.line.size();
      sum = delayed - kAllpassGain * sum;
    }
    return sum * 0.25;
  }

 private:
  static constexpr double kAllpassGain = 0.5;

  struct Comb {
    std::vector<double> line;
    size_t index = 0;
    double filtered = 0.0;
  };
  struct Allpass {
    std::vector<double> line;
    size_t index = 0;
  };

  double feedback_;
  double damping_;
  std::array<Comb, 4> combs_;
  std::array<Allpass, 2> allpasses_;
};

}  // namespace strobe95::samples
