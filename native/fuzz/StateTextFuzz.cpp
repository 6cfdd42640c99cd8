// Any bytes as a saved state. A text that loads must hold only values inside their
// ranges, and saving what it loaded must give a text that loads to the same values.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "StateText.h"

using namespace strobe95;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto loaded = parseStateText(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!loaded) return 0;
  for (int i = 0; i < kParamCount; ++i) {
    const float v = loaded->values[i];
    if (!std::isfinite(v) || v < kParamSpecs[i].min || v > kParamSpecs[i].max) {
      std::fprintf(stderr, "%s loaded as %g, outside [%g, %g]\n", kParamSpecs[i].textId, v, kParamSpecs[i].min,
                   kParamSpecs[i].max);
      std::abort();
    }
  }
  const std::string saved = formatStateText(loaded->values, loaded->preset);
  const auto again = parseStateText(saved);
  if (!again) {
    std::fprintf(stderr, "a saved state does not load:\n%s\n", saved.c_str());
    std::abort();
  }
  if (formatStateText(again->values, again->preset) != saved) {
    std::fprintf(stderr, "saving a loaded save changes it:\n%s\n", saved.c_str());
    std::abort();
  }
  return 0;
}
