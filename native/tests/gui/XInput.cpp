#include "XInput.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace strobe95::test {

namespace {
constexpr unsigned kWheelUpButton = 4;  // X reports wheel notches as buttons 4 (up) and 5
constexpr unsigned kWheelDownButton = 5;
}  // namespace

bool XInput::available() const {
  int event = 0, error = 0, major = 0, minor = 0;
  return XTestQueryExtension(display_, &event, &error, &major, &minor);
}

void XInput::moveTo(int x, int y) {
  int rootX = 0, rootY = 0;
  ::Window child = 0;
  XTranslateCoordinates(display_, window_, DefaultRootWindow(display_), x, y, &rootX, &rootY, &child);
  XTestFakeMotionEvent(display_, DefaultScreen(display_), rootX, rootY, CurrentTime);
  XFlush(display_);
}

void XInput::button(unsigned button, bool down) {
  XTestFakeButtonEvent(display_, button, down ? True : False, CurrentTime);
  XFlush(display_);
}

void XInput::buttonDown(unsigned b) { button(b, true); }
void XInput::buttonUp(unsigned b) { button(b, false); }

void XInput::click(unsigned b) {
  button(b, true);
  button(b, false);
}

void XInput::wheel(bool up) { click(up ? kWheelUpButton : kWheelDownButton); }

void XInput::keyEvent(const char* name, bool down) {
  const KeyCode code = XKeysymToKeycode(display_, XStringToKeysym(name));
  XTestFakeKeyEvent(display_, code, down ? True : False, CurrentTime);
  XFlush(display_);
}

void XInput::keyDown(const char* name) { keyEvent(name, true); }
void XInput::keyUp(const char* name) { keyEvent(name, false); }

void XInput::key(const char* name) {
  keyEvent(name, true);
  keyEvent(name, false);
}

}  // namespace strobe95::test
