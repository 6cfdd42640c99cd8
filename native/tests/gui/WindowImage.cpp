#include "WindowImage.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <tuple>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <zlib.h>

namespace strobe95::test {

WindowImage WindowImage::capture(_XDisplay* display, unsigned long window) {
  WindowImage image;
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, window, &attributes)) return image;
  // Only the part on the screen can be read back (a toolkit's shadows may hang off it).
  XWindowAttributes screen;
  int rootX = 0, rootY = 0;
  Window child = 0;
  if (!XGetWindowAttributes(display, attributes.root, &screen) ||
      !XTranslateCoordinates(display, window, attributes.root, 0, 0, &rootX, &rootY, &child)) {
    return image;
  }
  const int left = std::max(0, -rootX), top = std::max(0, -rootY);
  const int right = std::min(attributes.width, screen.width - rootX);
  const int bottom = std::min(attributes.height, screen.height - rootY);
  if (right <= left || bottom <= top) return image;
  XImage* pixels = XGetImage(display, window, left, top, static_cast<unsigned>(right - left),
                             static_cast<unsigned>(bottom - top), AllPlanes, ZPixmap);
  if (!pixels) return image;
  image.width_ = right - left;
  image.height_ = bottom - top;
  image.rgb_.reserve(static_cast<size_t>(image.width_) * image.height_ * 3);
  for (int y = 0; y < image.height_; ++y) {
    for (int x = 0; x < image.width_; ++x) {
      const unsigned long pixel = XGetPixel(pixels, x, y);
      image.rgb_.push_back(uint8_t(pixel >> 16));
      image.rgb_.push_back(uint8_t(pixel >> 8));
      image.rgb_.push_back(uint8_t(pixel));
    }
  }
  XDestroyImage(pixels);
  return image;
}

Rgb WindowImage::at(int x, int y) const {
  const size_t i = (static_cast<size_t>(y) * width_ + x) * 3;
  return {rgb_[i], rgb_[i + 1], rgb_[i + 2]};
}

double WindowImage::variedShare() const {
  if (empty()) return 0.0;
  const Rgb first = at(0, 0);
  long varied = 0;
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) varied += !(at(x, y) == first);
  }
  return static_cast<double>(varied) / (static_cast<double>(width_) * height_);
}

// Signature, IHDR, one zlib IDAT, IEND.
void WindowImage::writePng(const std::string& path) const {
  std::vector<uint8_t> raw;
  for (int y = 0; y < height_; ++y) {
    raw.push_back(0);  // no row filter
    raw.insert(raw.end(), rgb_.begin() + y * width_ * 3, rgb_.begin() + (y + 1) * width_ * 3);
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
    header[i] = uint8_t(width_ >> (24 - 8 * i));
    header[4 + i] = uint8_t(height_ >> (24 - 8 * i));
  }
  header[8] = 8;  // bits per sample
  header[9] = 2;  // truecolour
  chunk("IHDR", header);
  chunk("IDAT", packed);
  chunk("IEND", {});
}

double luminance(Rgb colour) {
  auto linear = [](uint8_t v) {
    const double c = v / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(colour.r) + 0.7152 * linear(colour.g) + 0.0722 * linear(colour.b);
}

double contrast(Rgb a, Rgb b) {
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TextContrast textContrast(const WindowImage& image, Area area) {
  std::map<std::tuple<uint8_t, uint8_t, uint8_t>, long> counts;
  const int right = std::min(image.width(), area.x + area.width);
  const int bottom = std::min(image.height(), area.y + area.height);
  for (int y = std::max(0, area.y); y < bottom; ++y) {
    for (int x = std::max(0, area.x); x < right; ++x) {
      const Rgb c = image.at(x, y);
      ++counts[{c.r, c.g, c.b}];
    }
  }
  TextContrast result;
  if (counts.empty()) return result;
  const auto most = std::max_element(counts.begin(), counts.end(),
                                     [](const auto& a, const auto& b) { return a.second < b.second; });
  result.background = {std::get<0>(most->first), std::get<1>(most->first), std::get<2>(most->first)};
  result.text = result.background;
  for (const auto& [key, count] : counts) {
    const Rgb c{std::get<0>(key), std::get<1>(key), std::get<2>(key)};
    if (contrast(c, result.background) > contrast(result.text, result.background)) result.text = c;
  }
  result.ratio = contrast(result.text, result.background);
  return result;
}

}  // namespace strobe95::test
