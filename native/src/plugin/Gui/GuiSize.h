#pragma once
// The faceplate's size and the window API it embeds through.
#include <cstdint>

namespace strobe95 {

inline constexpr uint32_t kGuiBaseWidth = 1000;  // pixels at scale 1
inline constexpr uint32_t kGuiBaseHeight = 850;

#ifdef _WIN32
inline constexpr const char* kGuiWindowApi = "win32";
#else
inline constexpr const char* kGuiWindowApi = "x11";  // the embedding Linux hosts offer
#endif

struct GuiSize {
  uint32_t width;
  uint32_t height;
};

// One scale for the whole process, as hosts set it for all their editors at once.
double guiScale();
// Anything but a positive scale resets it to 1.
void setGuiScale(double scale);
// The base size times the scale, each side truncated toward zero.
GuiSize guiSize();

// Embedded only; floating windows are not offered.
bool isGuiApiSupported(const char* api, bool isFloating);

}  // namespace strobe95
