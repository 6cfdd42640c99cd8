// The Windows web view: WebView2 in a captionless pop-up window that set_parent turns into
// a child of the host's window. Everything runs on the host's main thread and its loop.
#include <shlwapi.h>

#include <string>
#include <utility>

#include "Resources.h"
#include "WebView.h"
#include "WebView2Runtime.h"

namespace strobe95 {
namespace {

using namespace webview2;

constexpr const wchar_t* kWindowClass = L"STROBE95WebView";
constexpr const char* kServedRoot = "https://strobe95.localhost/";
constexpr const wchar_t* kServedFilter = L"https://strobe95.localhost/*";
constexpr const char* kPostExpression = "(text) => window.chrome.webview.postMessage(text)";
constexpr int kPopupSize = 400;               // the pop-up before set_parent places it
constexpr DWORD kStartTimeoutMs = 15000;      // a browser that has not started by then never will
constexpr LONG_PTR kStyleCleared = 0x2F33FFFF;  // without WS_POPUP, WS_CAPTION, WS_SYSMENU, WS_THICKFRAME
constexpr LONG_PTR kStyleSet = 0x50000000;      // WS_CHILD | WS_VISIBLE
constexpr int kAllResourceContexts = 0;

std::wstring widen(std::string_view text) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), length);
  return out;
}

std::string narrow(const wchar_t* text) {
  if (!text) return {};
  const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(length > 0 ? length - 1 : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), length, nullptr, nullptr);
  return out;
}

// A COM object with one Invoke, forwarding to a function; reference counted as COM wants.
template <typename Interface, typename... Args>
class Handler final : public Interface {
 public:
  explicit Handler(std::function<HRESULT(Args...)> invoke) : invoke_(std::move(invoke)) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == Interface::kIid) {
      *out = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE Invoke(Args... args) override { return invoke_(args...); }

 private:
  std::function<HRESULT(Args...)> invoke_;
  ULONG references_ = 1;
};

template <typename Interface, typename... Args, typename Fn>
Interface* makeHandler(Fn&& fn) {
  return new Handler<Interface, Args...>(std::function<HRESULT(Args...)>(std::forward<Fn>(fn)));
}

class Win32WebView final : public WebView {
 public:
  Win32WebView() {
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    comInitialised_ = SUCCEEDED(com);
    registerWindowClass();
    window_ = CreateWindowExW(0, kWindowClass, L"", WS_POPUP, 0, 0, kPopupSize, kPopupSize, nullptr, nullptr,
                              GetModuleHandleW(nullptr), this);
  }

  ~Win32WebView() override {
    if (controller_) {
      controller_->Close();
      controller_->Release();
    }
    if (webView_) webView_->Release();
    if (environment_) environment_->Release();
    if (window_) DestroyWindow(window_);
    if (comInitialised_) CoUninitialize();
  }

  // Starts the browser and waits for it in a local message loop, as the host's own calls
  // expect an editor that either exists or does not when create returns.
  bool start() {
    if (!window_) return false;
    finished_ = false;
    bool& finished = finished_;  // a member: a late answer after the timeout must not reach a dead frame
    auto* onEnvironment = makeHandler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, HRESULT,
                                      ICoreWebView2Environment*>([this, &finished](HRESULT error,
                                                                                  ICoreWebView2Environment* env) {
      if (FAILED(error) || !env) {
        finished = true;
        return S_OK;
      }
      environment_ = env;
      environment_->AddRef();
      auto* onController = makeHandler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, HRESULT,
                                       ICoreWebView2Controller*>([this, &finished](HRESULT failed,
                                                                                  ICoreWebView2Controller* made) {
        if (SUCCEEDED(failed) && made) {
          controller_ = made;
          controller_->AddRef();
          controller_->get_CoreWebView2(&webView_);
        }
        finished = true;
        return S_OK;
      });
      if (FAILED(environment_->CreateCoreWebView2Controller(window_, onController))) finished = true;
      onController->Release();
      return S_OK;
    });
    const bool started = createEnvironment(onEnvironment);
    onEnvironment->Release();
    if (!started) return false;
    const DWORD begin = GetTickCount();
    MSG message;
    while (!finished && GetTickCount() - begin < kStartTimeoutMs) {
      if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      } else {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
      }
    }
    if (!webView_) return false;
    configure();
    return true;
  }

  void load() override {
    webView_->AddScriptToExecuteOnDocumentCreated(widen(bridgeScript(kPostExpression)).c_str(), nullptr);
    webView_->Navigate(widen(kServedRoot).c_str());
  }

  void evaluate(const std::string& script, ScriptResult done) override {
    ICoreWebView2ExecuteScriptCompletedHandler* handler = nullptr;
    if (done) {
      handler = makeHandler<ICoreWebView2ExecuteScriptCompletedHandler, HRESULT, LPCWSTR>(
          [done = std::move(done)](HRESULT error, LPCWSTR json) {
            done(SUCCEEDED(error) ? narrow(json) : std::string());
            return S_OK;
          });
    }
    const HRESULT queued = webView_->ExecuteScript(widen(script).c_str(), handler);
    // A script the runtime refused never completes: its caller still hears, with no result.
    if (FAILED(queued) && handler) handler->Invoke(queued, nullptr);
    if (handler) handler->Release();
  }

  bool embed(const clap_window& parent) override {
    const auto parentWindow = static_cast<HWND>(parent.win32);
    if (!parentWindow || !window_) return false;
    SetParent(window_, parentWindow);
    const LONG_PTR style = GetWindowLongPtrW(window_, GWL_STYLE);
    SetWindowLongPtrW(window_, GWL_STYLE, (style & kStyleCleared) | kStyleSet);
    RECT client{};
    GetClientRect(parentWindow, &client);
    SetWindowPos(window_, nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
                 SWP_NOZORDER | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    controller_->NotifyParentWindowPositionChanged();
    return true;
  }

  void setVisible(bool visible) override {
    ShowWindow(window_, visible ? SW_SHOW : SW_HIDE);
    controller_->put_IsVisible(visible ? TRUE : FALSE);
  }

 private:
  void configure() {
    ICoreWebView2Settings* settings = nullptr;
    if (SUCCEEDED(webView_->get_Settings(&settings)) && settings) {
      settings->put_AreDevToolsEnabled(FALSE);
      settings->put_IsStatusBarEnabled(FALSE);
      settings->Release();
    }
    EventRegistrationToken token{};
    auto* onResource = makeHandler<ICoreWebView2WebResourceRequestedEventHandler, ICoreWebView2*,
                                   ICoreWebView2WebResourceRequestedEventArgs*>(
        [this](ICoreWebView2*, ICoreWebView2WebResourceRequestedEventArgs* args) { return serve(args); });
    webView_->add_WebResourceRequested(onResource, &token);
    onResource->Release();
    webView_->AddWebResourceRequestedFilter(kServedFilter, kAllResourceContexts);

    auto* onNavigation = makeHandler<ICoreWebView2NavigationStartingEventHandler, ICoreWebView2*,
                                     ICoreWebView2NavigationStartingEventArgs*>(
        [](ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
          LPWSTR uri = nullptr;
          args->get_Uri(&uri);
          if (!bridge::isAllowedNavigation(kServedRoot, narrow(uri))) args->put_Cancel(TRUE);
          CoTaskMemFree(uri);
          return S_OK;
        });
    webView_->add_NavigationStarting(onNavigation, &token);
    onNavigation->Release();

    auto* onNewWindow = makeHandler<ICoreWebView2NewWindowRequestedEventHandler, ICoreWebView2*,
                                    ICoreWebView2NewWindowRequestedEventArgs*>(
        [](ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* args) {
          args->put_Handled(TRUE);  // handled by opening nothing
          return S_OK;
        });
    webView_->add_NewWindowRequested(onNewWindow, &token);
    onNewWindow->Release();

    auto* onMessage = makeHandler<ICoreWebView2WebMessageReceivedEventHandler, ICoreWebView2*,
                                  ICoreWebView2WebMessageReceivedEventArgs*>(
        [this](ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* args) {
          LPWSTR text = nullptr;
          if (SUCCEEDED(args->TryGetWebMessageAsString(&text)) && text) receive(narrow(text));
          CoTaskMemFree(text);
          return S_OK;
        });
    webView_->add_WebMessageReceived(onMessage, &token);
    onMessage->Release();
  }

  HRESULT serve(ICoreWebView2WebResourceRequestedEventArgs* args) {
    ICoreWebView2WebResourceRequest* request = nullptr;
    if (FAILED(args->get_Request(&request)) || !request) return S_OK;
    LPWSTR uri = nullptr;
    request->get_Uri(&uri);
    request->Release();
    const auto path = bridge::servedPath(kServedRoot, narrow(uri));
    CoTaskMemFree(uri);
    const FaceplateResource* resource = path ? fetchFaceplateResource(*path) : nullptr;
    IStream* stream = nullptr;
    std::string headers;
    ICoreWebView2WebResourceResponse* response = nullptr;
    if (resource) {
      stream = SHCreateMemStream(resource->bytes.data(), static_cast<UINT>(resource->bytes.size()));
      for (const auto& [name, value] : responseHeaders(*resource)) headers += name + ": " + value + "\r\n";
      environment_->CreateWebResourceResponse(stream, 200, L"OK", widen(headers).c_str(), &response);
    } else {
      environment_->CreateWebResourceResponse(nullptr, kNotFoundStatus, widen(kNotFoundReason).c_str(), L"",
                                              &response);
    }
    if (response) {
      args->put_Response(response);
      response->Release();
    }
    if (stream) stream->Release();
    return S_OK;
  }

  static void registerWindowClass() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassExW(&windowClass);  // a second registration fails harmlessly
  }

  static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32WebView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_SIZE && self && self->controller_) {
      RECT bounds{};
      GetClientRect(window, &bounds);
      self->controller_->put_Bounds(bounds);
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  HWND window_ = nullptr;
  ICoreWebView2Environment* environment_ = nullptr;
  ICoreWebView2Controller* controller_ = nullptr;
  ICoreWebView2* webView_ = nullptr;
  bool comInitialised_ = false;
  bool finished_ = false;
};

}  // namespace

bool webViewFitsProcess() { return true; }

std::unique_ptr<WebView> openWebView() {
  auto view = std::make_unique<Win32WebView>();
  if (!view->start()) return nullptr;
  return view;
}

}  // namespace strobe95
