#include "Window.h"

#include <exception>
#include <string>

#include "DebugOutput.h"

namespace strobe95::standalone::windows_standalone {
Window::~Window() {
  if (hwnd_) {
    // The window outlived its object's owner: it must not call back into freed memory.
    SetWindowLongPtrW(hwnd_, 0, 0);
    DestroyWindow(hwnd_);
  }
}

bool Window::createWindow(const wchar_t* title, DWORD style, DWORD exStyle, HWND owner) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  if (!GetClassInfoExW(instance, kWindowClassName, &windowClass)) {
    windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.cbWndExtra = sizeof(void*);  // the owning object
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    if (!windowClass.hIcon) windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kWindowClassName;
    if (!RegisterClassExW(&windowClass)) return false;
  }
  return CreateWindowExW(exStyle, kWindowClassName, title, style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                         CW_USEDEFAULT, owner, nullptr, instance, this) != nullptr;
}

LRESULT CALLBACK Window::procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(self));
    self->hwnd_ = hwnd;
    self->dpi_ = GetDpiForWindow(hwnd);
    if (self->dpi_ == 0) self->dpi_ = USER_DEFAULT_SCREEN_DPI;
    self->scale_ = self->dpi_ / 96.0;
  }
  auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, 0));
  if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, 0, 0);
    self->hwnd_ = nullptr;
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  return self->dispatch(message, wParam, lParam);
}

void Window::recordPosition() {
  GetWindowRect(hwnd_, &windowRect_);
  placement_.length = sizeof placement_;
  GetWindowPlacement(hwnd_, &placement_);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), &monitor)) workArea_ = monitor.rcWork;
}

LRESULT Window::dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_WINDOWPOSCHANGED) recordPosition();
  if (message == WM_DPICHANGED) {
    suggestedRect_ = *reinterpret_cast<const RECT*>(lParam);
    dpi_ = HIWORD(wParam);
    scale_ = dpi_ / 96.0;
  }
  const auto handler = handlers_.find(message);
  if (handler == handlers_.end()) {
    if (message == WM_CLOSE) {
      DestroyWindow(hwnd_);
      return 0;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
  }
  try {
    return handler->second(wParam, lParam);
  } catch (const std::exception& error) {
    writeDebugOutput("Unhandled exception in window message " + std::to_string(message) + ": " + error.what() + "\n");
  } catch (...) {
    writeDebugOutput("Unhandled exception in window message " + std::to_string(message) + "\n");
  }
  return 0;
}

SIZE windowSizeForClient(HWND hwnd, int clientWidth, int clientHeight) {
  RECT rect{0, 0, clientWidth, clientHeight};
  const auto style = DWORD(GetWindowLongPtrW(hwnd, GWL_STYLE));
  const auto exStyle = DWORD(GetWindowLongPtrW(hwnd, GWL_EXSTYLE));
  UINT dpi = GetDpiForWindow(hwnd);
  if (dpi == 0) dpi = USER_DEFAULT_SCREEN_DPI;
  AdjustWindowRectExForDpi(&rect, style, GetMenu(hwnd) != nullptr, exStyle, dpi);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace strobe95::standalone::windows_standalone
