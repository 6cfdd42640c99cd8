// Any text typed into a host's value field for any parameter. What parses lies inside the
// parameter's range, and the text shown for it parses back into the range too.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "ValueText.h"

using namespace strobe95;

namespace {

void requireInRange(const ParamSpec& param, double value, const std::string& from) {
  if (!std::isfinite(value) || value < param.min || value > param.max) {
    std::fprintf(stderr, "%s: \"%s\" gave %g, outside [%g, %g]\n", param.textId, from.c_str(), value, param.min,
                 param.max);
    std::abort();
  }
}

}  // namespace

// The first byte picks the parameter; the rest is the text, and its first eight bytes
// are also a raw double to format.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const ParamSpec& param = kParamSpecs[data[0] % kParamCount];
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  if (const auto value = parseValueText(param, text)) {
    requireInRange(param, *value, text);
    const std::string shown = formatValueText(param, *value);
    const auto back = parseValueText(param, shown);
    if (!back) {
      std::fprintf(stderr, "%s: the shown text \"%s\" does not parse\n", param.textId, shown.c_str());
      std::abort();
    }
    requireInRange(param, *back, shown);
  }
  if (size >= 9) {
    double raw;
    std::memcpy(&raw, data + 1, sizeof raw);
    const std::string shown = formatValueText(param, raw);  // hosts ask for any double
    if (const auto back = parseValueText(param, shown)) requireInRange(param, *back, shown);
  }
  return 0;
}
