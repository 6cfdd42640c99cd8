// Writes a screenshot of the top-level window with this title to a PNG file, and prints
// its size, the relative luminance of its top-left pixel (its background: light or dark)
// and the share of its pixels that differ from its centre one: near 0 for a window whose
// content is not drawn yet, whatever its frame and title bar look like.
//   strobe95_shoot_window TITLE OUT.png   (TITLE "-": the whole screen, menus and all)
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "WindowImage.h"

namespace {

Window findByTitle(Display* display, Window under, const char* title) {
  char* name = nullptr;
  if (XFetchName(display, under, &name) && name) {
    const bool same = std::strcmp(name, title) == 0;
    XFree(name);
    XWindowAttributes attributes{};
    if (same && XGetWindowAttributes(display, under, &attributes) && attributes.map_state == IsViewable) return under;
  }
  Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  Window found = 0;
  if (XQueryTree(display, under, &root, &parent, &children, &count)) {
    for (unsigned i = 0; i < count && !found; ++i) found = findByTitle(display, children[i], title);
    if (children) XFree(children);
  }
  return found;
}

double variedFromCentre(const strobe95::test::WindowImage& image) {
  const strobe95::test::Rgb centre = image.at(image.width() / 2, image.height() / 2);
  long varied = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) varied += !(image.at(x, y) == centre);
  }
  return double(varied) / (double(image.width()) * image.height());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s TITLE OUT.png\n", argv[0]);
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 1;
  const Window window = std::strcmp(argv[1], "-") == 0 ? DefaultRootWindow(display)
                                                      : findByTitle(display, DefaultRootWindow(display), argv[1]);
  if (!window) {
    std::fprintf(stderr, "no window \"%s\" is shown\n", argv[1]);
    return 1;
  }
  const auto image = strobe95::test::WindowImage::capture(display, window);
  if (image.empty()) return 1;
  image.writePng(argv[2]);
  std::printf("%dx%d %.3f %.3f\n", image.width(), image.height(), strobe95::test::luminance(image.at(0, 0)),
              variedFromCentre(image));
  XCloseDisplay(display);
  return 0;
}
