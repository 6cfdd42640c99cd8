#include "FuzzInput.h"

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

}  // namespace strobe95::fuzz
