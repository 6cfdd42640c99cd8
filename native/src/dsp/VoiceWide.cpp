// The voice built again for processors with AVX2 and FMA. Everything it defines lives
// under a top namespace of its own, so that the linker can never take one of its inline
// functions, compiled with those instructions, in place of the baseline build's.
#include <memory>

#include "DspInterface.h"
#include "VoiceBuilds.h"

namespace strobe95_wide {
namespace faust = ::strobe95::faust;  // the interface both builds share
}

#define strobe95 strobe95_wide
#include "Voice.cpp"
#undef strobe95

namespace strobe95::gen {

std::unique_ptr<faust::dsp> makeWideVoice() { return std::make_unique<strobe95_wide::gen::Voice>(); }

}  // namespace strobe95::gen
