#pragma once
// The pixels of an X window as the user sees them: for screenshots, and for judging text
// colours the way the accessibility guidelines do (relative luminance of sRGB).
#include <cstdint>
#include <string>
#include <vector>

struct _XDisplay;  // Xlib's Display; its header's macros stay out of the includer

namespace strobe95::test {

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

// A rectangle in window pixels.
struct Area {
  int x = 0, y = 0, width = 0, height = 0;
};

class WindowImage {
 public:
  // Reads the window back from the X server; empty when it cannot be read.
  static WindowImage capture(_XDisplay* display, unsigned long window);

  bool empty() const { return rgb_.empty(); }
  int width() const { return width_; }
  int height() const { return height_; }
  Rgb at(int x, int y) const;
  // The share of pixels that differ from the top-left one: near 0 for a blank window.
  double variedShare() const;
  // Writes the image as a 24-bit PNG.
  void writePng(const std::string& path) const;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint8_t> rgb_;  // rows of r, g, b
};

double luminance(Rgb colour);
// The contrast ratio of two colours, from 1 (the same) to 21 (black on white).
double contrast(Rgb a, Rgb b);

struct TextContrast {
  Rgb background;
  Rgb text;
  double ratio = 1.0;
};
// Text inside an area: the background is the area's most common colour, the text the
// colour that stands furthest from it (the core of the glyphs, past any glow).
TextContrast textContrast(const WindowImage& image, Area area);

}  // namespace strobe95::test
