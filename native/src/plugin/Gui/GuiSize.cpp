#include "GuiSize.h"

#include <cstring>

namespace strobe95 {
namespace {

double gGuiScale = 1.0;  // main thread

}  // namespace

double guiScale() { return gGuiScale; }

void setGuiScale(double scale) { gGuiScale = scale > 0.0 ? scale : 1.0; }

GuiSize guiSize() {
  return {static_cast<uint32_t>(gGuiScale * kGuiBaseWidth),
          static_cast<uint32_t>(gGuiScale * kGuiBaseHeight)};
}

bool isGuiApiSupported(const char* api, bool isFloating) {
  return !isFloating && api && std::strcmp(api, kGuiWindowApi) == 0;
}

}  // namespace strobe95
