#pragma once
// The one window class both of the program's windows use, and the dispatcher behind it:
// each window object answers messages from its own table of handlers.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <unordered_map>

namespace strobe95::standalone::windows_standalone {

inline constexpr const wchar_t* kWindowClassName = L"Window";

class Window {
 public:
  using Handler = std::function<LRESULT(WPARAM, LPARAM)>;

  Window() = default;
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND handle() const { return hwnd_; }
  uint32_t dpi() const { return dpi_; }
  double scale() const { return scale_; }
  const RECT& workArea() const { return workArea_; }

 protected:
  // Registers the class on first use and creates the window with this object behind it.
  bool createWindow(const wchar_t* title, DWORD style, DWORD exStyle, HWND owner);
  void on(UINT message, Handler handler) { handlers_[message] = std::move(handler); }

  RECT windowRect_{};     // from the last WM_WINDOWPOSCHANGED
  RECT suggestedRect_{};  // from the last WM_DPICHANGED
  WINDOWPLACEMENT placement_{};

 private:
  static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  void recordPosition();

  HWND hwnd_ = nullptr;
  uint32_t dpi_ = USER_DEFAULT_SCREEN_DPI;
  double scale_ = 1.0;
  RECT workArea_{};
  std::unordered_map<UINT, Handler> handlers_;
};

// The window's outer size for a client area of this size, at the window's DPI.
SIZE windowSizeForClient(HWND hwnd, int clientWidth, int clientHeight);

}  // namespace strobe95::standalone::windows_standalone
