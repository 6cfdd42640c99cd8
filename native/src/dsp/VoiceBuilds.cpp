#include "VoiceBuilds.h"

#include <cstdlib>
#include <cstring>

#include "Voice.h"

namespace strobe95::gen {

bool wideVoiceRuns() {
#if defined(STROBE95_NO_WIDE_VOICE)
  return false;
#elif defined(__x86_64__) || defined(_M_X64)
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#else
  return false;
#endif
}

VoiceBuild chosenVoiceBuild() {
  static const VoiceBuild chosen = [] {
    const char* asked = std::getenv("STROBE95_SIMD");
    if (asked && std::strcmp(asked, "baseline") == 0) return VoiceBuild::Baseline;
    return wideVoiceRuns() ? VoiceBuild::Wide : VoiceBuild::Baseline;
  }();
  return chosen;
}

const char* voiceBuildName(VoiceBuild build) { return build == VoiceBuild::Wide ? "avx2+fma" : "baseline"; }

#if defined(STROBE95_NO_WIDE_VOICE)
std::unique_ptr<faust::dsp> makeVoice(VoiceBuild) { return std::make_unique<Voice>(); }
#else
std::unique_ptr<faust::dsp> makeVoice(VoiceBuild build) {
  return build == VoiceBuild::Wide ? makeWideVoice() : std::make_unique<Voice>();
}
#endif

}  // namespace strobe95::gen
