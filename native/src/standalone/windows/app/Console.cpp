#include "Console.h"

#include <windows.h>

#include <cstdio>

namespace strobe95::standalone::windows_standalone {

bool standardOutputPresent() {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  return out != nullptr && out != INVALID_HANDLE_VALUE && GetFileType(out) != FILE_TYPE_UNKNOWN;
}

bool attachParentConsole() {
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return false;
  return std::freopen("CONOUT$", "w", stdout) != nullptr;
}

}  // namespace strobe95::standalone::windows_standalone
