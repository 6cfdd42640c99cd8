#pragma once
// Reads an X window's pixels back, as the editor tests look at what a player would see,
// and writes them as a PNG.
#include <cstdint>
#include <string>
#include <vector>

#include <X11/Xlib.h>

namespace strobe95::test {

struct WindowShot {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // rows of red, green, blue bytes

  bool empty() const { return rgb.empty(); }
  uint32_t pixel(int x, int y) const;  // 0xRRGGBB
  // The share of pixels that differ from the top-left one: near 0 for a blank window.
  double variedShare() const;
};

// Nothing when the window cannot be read (gone, or not wholly on the screen).
WindowShot captureWindow(Display* display, ::Window window);
void writePng(const std::string& path, const WindowShot& shot);

}  // namespace strobe95::test
