#pragma once
// What an engine builds its processors with. The plugin plays the generated processors;
// tests also build engines on straightforward reference processors to check them against.
#include <memory>

#include "DspInterface.h"

namespace strobe95 {

struct ProcessorFactory {
  std::unique_ptr<faust::dsp> (*voice)();
  std::unique_ptr<faust::dsp> (*effects)();

  // strobe95::gen::Voice and strobe95::gen::Effects.
  static ProcessorFactory generated();
};

}  // namespace strobe95
