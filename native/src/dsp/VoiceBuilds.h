#pragma once
// The voice is built twice: for every x86-64 processor, and for those with AVX2 and FMA.
// The build is chosen once, when the first engine is built; STROBE95_SIMD=baseline in the
// environment keeps the baseline one, so that both can be tested on one machine.
#include <memory>

#include "DspInterface.h"

namespace strobe95::gen {

enum class VoiceBuild { Baseline, Wide };

// Whether this processor runs the wide build, and this program has it (an unoptimised
// build has only the baseline).
bool wideVoiceRuns();
// The wide build where it runs and the environment does not ask for the baseline.
VoiceBuild chosenVoiceBuild();
const char* voiceBuildName(VoiceBuild build);
std::unique_ptr<faust::dsp> makeVoice(VoiceBuild build);
// Defined in the wide build's own file; only for a processor that runs it.
std::unique_ptr<faust::dsp> makeWideVoice();

}  // namespace strobe95::gen
