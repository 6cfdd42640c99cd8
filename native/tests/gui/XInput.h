#pragma once
// Real input for a window under test, made through the X server's test extension: the
// events reach the window's toolkit exactly as a user's mouse and keyboard would.
struct _XDisplay;  // Xlib's Display; its header's macros stay out of the includer

namespace strobe95::test {

class XInput {
 public:
  XInput(_XDisplay* display, unsigned long window) : display_(display), window_(window) {}

  // Whether the server offers the test extension.
  bool available() const;
  // Moves the pointer to a point of the window, in window pixels.
  void moveTo(int x, int y);
  void buttonDown(unsigned button = 1);
  void buttonUp(unsigned button = 1);
  void click(unsigned button = 1);
  // One notch of the wheel, up (towards the screen's top) or down.
  void wheel(bool up);
  // Keys by their X keysym names ("a", "Tab", "Shift_L").
  void keyDown(const char* name);
  void keyUp(const char* name);
  void key(const char* name);

 private:
  void button(unsigned button, bool down);
  void keyEvent(const char* name, bool down);

  _XDisplay* display_;
  unsigned long window_;
};

}  // namespace strobe95::test
