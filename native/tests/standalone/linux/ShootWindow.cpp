// Writes a screenshot of the top-level window with this title to a PNG file, and prints
// the share of its pixels that differ from the top-left one (near 0 for a blank window).
//   strobe95_shoot_window TITLE OUT.png
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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s TITLE OUT.png\n", argv[0]);
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 1;
  const Window window = findByTitle(display, DefaultRootWindow(display), argv[1]);
  if (!window) {
    std::fprintf(stderr, "no window \"%s\" is shown\n", argv[1]);
    return 1;
  }
  const auto image = strobe95::test::WindowImage::capture(display, window);
  if (image.empty()) return 1;
  image.writePng(argv[2]);
  std::printf("%dx%d %.3f\n", image.width(), image.height(), image.variedShare());
  XCloseDisplay(display);
  return 0;
}
