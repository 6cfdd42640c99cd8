#include "WindowShot.h"

#include <fstream>

#include <X11/Xutil.h>
#include <zlib.h>

namespace strobe95::test {

uint32_t WindowShot::pixel(int x, int y) const {
  const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
  return uint32_t(rgb[at]) << 16 | uint32_t(rgb[at + 1]) << 8 | rgb[at + 2];
}

double WindowShot::variedShare() const {
  if (empty()) return 0.0;
  const uint32_t first = pixel(0, 0);
  long varied = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) varied += pixel(x, y) != first;
  }
  return static_cast<double>(varied) / (static_cast<double>(width) * height);
}

WindowShot captureWindow(Display* display, ::Window window) {
  WindowShot shot;
  XWindowAttributes attributes{};
  if (!XGetWindowAttributes(display, window, &attributes)) return shot;
  XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                            static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
  if (!image) return shot;
  shot.width = attributes.width;
  shot.height = attributes.height;
  shot.rgb.reserve(static_cast<std::size_t>(shot.width) * shot.height * 3);
  for (int y = 0; y < shot.height; ++y) {
    for (int x = 0; x < shot.width; ++x) {
      const unsigned long pixel = XGetPixel(image, x, y);
      shot.rgb.push_back(uint8_t(pixel >> 16));
      shot.rgb.push_back(uint8_t(pixel >> 8));
      shot.rgb.push_back(uint8_t(pixel));
    }
  }
  XDestroyImage(image);
  return shot;
}

// Signature, IHDR, one zlib IDAT, IEND; rows unfiltered.
void writePng(const std::string& path, const WindowShot& shot) {
  std::vector<uint8_t> raw;
  const auto row = static_cast<std::size_t>(shot.width) * 3;
  for (int y = 0; y < shot.height; ++y) {
    raw.push_back(0);
    raw.insert(raw.end(), shot.rgb.begin() + y * row, shot.rgb.begin() + (y + 1) * row);
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> packed(packedSize);
  compress(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()));
  packed.resize(packedSize);
  std::ofstream out(path, std::ios::binary);
  auto be32 = [&](uint32_t v) {
    const char bytes[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    out.write(bytes, 4);
  };
  auto chunk = [&](const char* type, const std::vector<uint8_t>& data) {
    be32(static_cast<uint32_t>(data.size()));
    std::vector<uint8_t> typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    out.write(reinterpret_cast<const char*>(typed.data()), static_cast<std::streamsize>(typed.size()));
    be32(static_cast<uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
  };
  out.write("\x89PNG\r\n\x1a\n", 8);
  std::vector<uint8_t> header(13, 0);
  for (int i = 0; i < 4; ++i) {
    header[i] = uint8_t(shot.width >> (24 - 8 * i));
    header[4 + i] = uint8_t(shot.height >> (24 - 8 * i));
  }
  header[8] = 8;  // bits per sample
  header[9] = 2;  // truecolour
  chunk("IHDR", header);
  chunk("IDAT", packed);
  chunk("IEND", {});
}

}  // namespace strobe95::test
