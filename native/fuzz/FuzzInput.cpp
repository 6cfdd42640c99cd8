#include "FuzzInput.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace strobe95::fuzz {

void require(bool holds, const char* format, ...) {
  if (holds) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fputc('\n', stderr);
  std::abort();
}

void requireLegalSamples(const float* samples, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    require(std::isfinite(samples[i]) && std::fabs(samples[i]) <= kLoudestLegal, "output frame %u is %g",
            unsigned(i), double(samples[i]));
  }
}

}  // namespace strobe95::fuzz
