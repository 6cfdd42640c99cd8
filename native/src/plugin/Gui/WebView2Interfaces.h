#pragma once
// The WebView2 COM interfaces the faceplate calls, declared here because the SDK is not
// part of our build. COM interfaces never change once published, so these hold for every
// runtime since 1.0.1150. Slot order is the ABI: every method up to the last one we call
// is declared in its place, with the unused ones as placeholders of no arguments (a
// placeholder is never called, so its parameter list does not matter). The Windows test
// checks each slot's position.
#include <objidl.h>
#include <cstdint>
#include <windows.h>

namespace strobe95::webview2 {

struct EventRegistrationToken {
  int64_t value;
};

#define STROBE95_SLOT(name) virtual HRESULT STDMETHODCALLTYPE name() = 0;

struct ICoreWebView2;
struct ICoreWebView2Controller;
struct ICoreWebView2Environment;

// Only handed back to the runtime; none of its own methods is called.
struct ICoreWebView2WebResourceResponse : IUnknown {
  static constexpr GUID kIid = {0xAAFCC94F, 0xFA27, 0x48FD, {0x97, 0xDF, 0x83, 0x0E, 0xF7, 0x5A, 0xAE, 0xC9}};
};

struct ICoreWebView2Settings : IUnknown {
  static constexpr GUID kIid = {0xE562E4F0, 0xD7FA, 0x43AC, {0x8D, 0x71, 0xC0, 0x51, 0x50, 0x49, 0x9F, 0x00}};
  STROBE95_SLOT(get_IsScriptEnabled)
  STROBE95_SLOT(put_IsScriptEnabled)
  STROBE95_SLOT(get_IsWebMessageEnabled)
  STROBE95_SLOT(put_IsWebMessageEnabled)
  STROBE95_SLOT(get_AreDefaultScriptDialogsEnabled)
  STROBE95_SLOT(put_AreDefaultScriptDialogsEnabled)
  STROBE95_SLOT(get_IsStatusBarEnabled)
  virtual HRESULT STDMETHODCALLTYPE put_IsStatusBarEnabled(BOOL enabled) = 0;
  STROBE95_SLOT(get_AreDevToolsEnabled)
  virtual HRESULT STDMETHODCALLTYPE put_AreDevToolsEnabled(BOOL enabled) = 0;
  STROBE95_SLOT(get_AreDefaultContextMenusEnabled)
  virtual HRESULT STDMETHODCALLTYPE put_AreDefaultContextMenusEnabled(BOOL enabled) = 0;
};

struct ICoreWebView2WebResourceRequest : IUnknown {
  static constexpr GUID kIid = {0x97055CD4, 0x512C, 0x4264, {0x8B, 0x5F, 0xE3, 0xF4, 0x46, 0xCE, 0xA6, 0xA5}};
  virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) = 0;
};

struct ICoreWebView2WebResourceRequestedEventArgs : IUnknown {
  static constexpr GUID kIid = {0x453E667F, 0x12C7, 0x49D4, {0xBE, 0x6D, 0xDD, 0xBE, 0x79, 0x56, 0xF5, 0x7A}};
  virtual HRESULT STDMETHODCALLTYPE get_Request(ICoreWebView2WebResourceRequest** request) = 0;
  STROBE95_SLOT(get_Response)
  virtual HRESULT STDMETHODCALLTYPE put_Response(ICoreWebView2WebResourceResponse* response) = 0;
};

struct ICoreWebView2NavigationStartingEventArgs : IUnknown {
  static constexpr GUID kIid = {0x5B495469, 0xE119, 0x438A, {0x9B, 0x18, 0x76, 0x04, 0xF2, 0x5F, 0x2E, 0x49}};
  virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) = 0;
  STROBE95_SLOT(get_IsUserInitiated)
  STROBE95_SLOT(get_IsRedirected)
  STROBE95_SLOT(get_RequestHeaders)
  STROBE95_SLOT(get_Cancel)
  virtual HRESULT STDMETHODCALLTYPE put_Cancel(BOOL cancel) = 0;
};

struct ICoreWebView2NewWindowRequestedEventArgs : IUnknown {
  static constexpr GUID kIid = {0x34ACB11C, 0xFC37, 0x4418, {0x91, 0x32, 0xF9, 0xC2, 0x1D, 0x1E, 0xAF, 0xB9}};
  STROBE95_SLOT(get_Uri)
  STROBE95_SLOT(put_NewWindow)
  STROBE95_SLOT(get_NewWindow)
  virtual HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) = 0;
};

struct ICoreWebView2WebMessageReceivedEventArgs : IUnknown {
  static constexpr GUID kIid = {0x0F99A40C, 0xE962, 0x4207, {0x9E, 0x92, 0xE3, 0xD5, 0x42, 0xEF, 0xF8, 0x49}};
  STROBE95_SLOT(get_Source)
  STROBE95_SLOT(get_WebMessageAsJson)
  virtual HRESULT STDMETHODCALLTYPE TryGetWebMessageAsString(LPWSTR* message) = 0;
};

// The event and completion handlers: one Invoke each, implemented by us.
struct ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler : IUnknown {
  static constexpr GUID kIid = {0x4E8A3389, 0xC9D8, 0x4BD2, {0xB6, 0xB5, 0x12, 0x4F, 0xEE, 0x6C, 0xC1, 0x4D}};
  virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT error, ICoreWebView2Environment* environment) = 0;
};
struct ICoreWebView2CreateCoreWebView2ControllerCompletedHandler : IUnknown {
  static constexpr GUID kIid = {0x6C4819F3, 0xC9B7, 0x4260, {0x81, 0x27, 0xC9, 0xF5, 0xBD, 0xE7, 0xF6, 0x8C}};
  virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT error, ICoreWebView2Controller* controller) = 0;
};
struct ICoreWebView2WebResourceRequestedEventHandler : IUnknown {
  static constexpr GUID kIid = {0xAB00B74C, 0x15F1, 0x4646, {0x80, 0xE8, 0xE7, 0x63, 0x41, 0xD2, 0x5D, 0x71}};
  virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, ICoreWebView2WebResourceRequestedEventArgs* args) = 0;
};
struct ICoreWebView2NavigationStartingEventHandler : IUnknown {
  static constexpr GUID kIid = {0x9ADBE429, 0xF36D, 0x432B, {0x9D, 0xDC, 0xF8, 0x88, 0x1F, 0xBD, 0x76, 0xE3}};
  virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, ICoreWebView2NavigationStartingEventArgs* args) = 0;
};
struct ICoreWebView2NewWindowRequestedEventHandler : IUnknown {
  static constexpr GUID kIid = {0xD4C185FE, 0xC81C, 0x4989, {0x97, 0xAF, 0x2D, 0x3F, 0xA7, 0xAB, 0x56, 0x51}};
  virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, ICoreWebView2NewWindowRequestedEventArgs* args) = 0;
};
struct ICoreWebView2WebMessageReceivedEventHandler : IUnknown {
  static constexpr GUID kIid = {0x57213F19, 0x00E6, 0x49FA, {0x8E, 0x07, 0x89, 0x8E, 0xA0, 0x1E, 0xCB, 0xD2}};
  virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, ICoreWebView2WebMessageReceivedEventArgs* args) = 0;
};
struct ICoreWebView2ExecuteScriptCompletedHandler : IUnknown {
  static constexpr GUID kIid = {0x49511172, 0xCC67, 0x4BCA, {0x99, 0x23, 0x13, 0x71, 0x12, 0xF4, 0xC4, 0xCC}};
  virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT error, LPCWSTR resultAsJson) = 0;
};
struct ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler : IUnknown {
  static constexpr GUID kIid = {0xB99369F3, 0x9B11, 0x47B5, {0xBC, 0x6F, 0x8E, 0x78, 0x95, 0xFC, 0xEA, 0x17}};
  virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT error, LPCWSTR id) = 0;
};

struct ICoreWebView2Environment : IUnknown {
  static constexpr GUID kIid = {0xB96D755E, 0x0319, 0x4E92, {0xA2, 0x96, 0x23, 0x43, 0x6F, 0x46, 0xA1, 0xFC}};
  virtual HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
      HWND parent, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateWebResourceResponse(IStream* content, int statusCode, LPCWSTR reasonPhrase,
                                                              LPCWSTR headers,
                                                              ICoreWebView2WebResourceResponse** response) = 0;
};

struct ICoreWebView2Controller : IUnknown {
  static constexpr GUID kIid = {0x4D00C0D1, 0x9434, 0x4EB6, {0x80, 0x78, 0x86, 0x97, 0xA5, 0x60, 0x33, 0x4F}};
  STROBE95_SLOT(get_IsVisible)
  virtual HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL visible) = 0;
  STROBE95_SLOT(get_Bounds)
  virtual HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) = 0;
  STROBE95_SLOT(get_ZoomFactor)
  STROBE95_SLOT(put_ZoomFactor)
  STROBE95_SLOT(add_ZoomFactorChanged)
  STROBE95_SLOT(remove_ZoomFactorChanged)
  STROBE95_SLOT(SetBoundsAndZoomFactor)
  STROBE95_SLOT(MoveFocus)
  STROBE95_SLOT(add_MoveFocusRequested)
  STROBE95_SLOT(remove_MoveFocusRequested)
  STROBE95_SLOT(add_GotFocus)
  STROBE95_SLOT(remove_GotFocus)
  STROBE95_SLOT(add_LostFocus)
  STROBE95_SLOT(remove_LostFocus)
  STROBE95_SLOT(add_AcceleratorKeyPressed)
  STROBE95_SLOT(remove_AcceleratorKeyPressed)
  STROBE95_SLOT(get_ParentWindow)
  STROBE95_SLOT(put_ParentWindow)
  virtual HRESULT STDMETHODCALLTYPE NotifyParentWindowPositionChanged() = 0;
  virtual HRESULT STDMETHODCALLTYPE Close() = 0;
  virtual HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** webView) = 0;
};

struct ICoreWebView2 : IUnknown {
  static constexpr GUID kIid = {0x76ECEACB, 0x0462, 0x4D94, {0xAC, 0x83, 0x42, 0x3A, 0x67, 0x93, 0x77, 0x5E}};
  virtual HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** settings) = 0;
  STROBE95_SLOT(get_Source)
  virtual HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) = 0;
  STROBE95_SLOT(NavigateToString)
  virtual HRESULT STDMETHODCALLTYPE add_NavigationStarting(ICoreWebView2NavigationStartingEventHandler* handler,
                                                           EventRegistrationToken* token) = 0;
  STROBE95_SLOT(remove_NavigationStarting)
  STROBE95_SLOT(add_ContentLoading)
  STROBE95_SLOT(remove_ContentLoading)
  STROBE95_SLOT(add_SourceChanged)
  STROBE95_SLOT(remove_SourceChanged)
  STROBE95_SLOT(add_HistoryChanged)
  STROBE95_SLOT(remove_HistoryChanged)
  STROBE95_SLOT(add_NavigationCompleted)
  STROBE95_SLOT(remove_NavigationCompleted)
  STROBE95_SLOT(add_FrameNavigationStarting)
  STROBE95_SLOT(remove_FrameNavigationStarting)
  STROBE95_SLOT(add_FrameNavigationCompleted)
  STROBE95_SLOT(remove_FrameNavigationCompleted)
  STROBE95_SLOT(add_ScriptDialogOpening)
  STROBE95_SLOT(remove_ScriptDialogOpening)
  STROBE95_SLOT(add_PermissionRequested)
  STROBE95_SLOT(remove_PermissionRequested)
  STROBE95_SLOT(add_ProcessFailed)
  STROBE95_SLOT(remove_ProcessFailed)
  virtual HRESULT STDMETHODCALLTYPE AddScriptToExecuteOnDocumentCreated(
      LPCWSTR script, ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler) = 0;
  STROBE95_SLOT(RemoveScriptToExecuteOnDocumentCreated)
  virtual HRESULT STDMETHODCALLTYPE ExecuteScript(LPCWSTR script, ICoreWebView2ExecuteScriptCompletedHandler* handler) = 0;
  STROBE95_SLOT(CapturePreview)
  STROBE95_SLOT(Reload)
  STROBE95_SLOT(PostWebMessageAsJson)
  STROBE95_SLOT(PostWebMessageAsString)
  virtual HRESULT STDMETHODCALLTYPE add_WebMessageReceived(ICoreWebView2WebMessageReceivedEventHandler* handler,
                                                           EventRegistrationToken* token) = 0;
  STROBE95_SLOT(remove_WebMessageReceived)
  STROBE95_SLOT(CallDevToolsProtocolMethod)
  STROBE95_SLOT(get_BrowserProcessId)
  STROBE95_SLOT(get_CanGoBack)
  STROBE95_SLOT(get_CanGoForward)
  STROBE95_SLOT(GoBack)
  STROBE95_SLOT(GoForward)
  STROBE95_SLOT(GetDevToolsProtocolEventReceiver)
  STROBE95_SLOT(Stop)
  virtual HRESULT STDMETHODCALLTYPE add_NewWindowRequested(ICoreWebView2NewWindowRequestedEventHandler* handler,
                                                           EventRegistrationToken* token) = 0;
  STROBE95_SLOT(remove_NewWindowRequested)
  STROBE95_SLOT(add_DocumentTitleChanged)
  STROBE95_SLOT(remove_DocumentTitleChanged)
  STROBE95_SLOT(get_DocumentTitle)
  STROBE95_SLOT(AddHostObjectToScript)
  STROBE95_SLOT(RemoveHostObjectFromScript)
  STROBE95_SLOT(OpenDevToolsWindow)
  STROBE95_SLOT(add_ContainsFullScreenElementChanged)
  STROBE95_SLOT(remove_ContainsFullScreenElementChanged)
  STROBE95_SLOT(get_ContainsFullScreenElement)
  virtual HRESULT STDMETHODCALLTYPE add_WebResourceRequested(ICoreWebView2WebResourceRequestedEventHandler* handler,
                                                             EventRegistrationToken* token) = 0;
  STROBE95_SLOT(remove_WebResourceRequested)
  virtual HRESULT STDMETHODCALLTYPE AddWebResourceRequestedFilter(LPCWSTR uri, int resourceContext) = 0;
};

#undef STROBE95_SLOT

// The runtime's entry points, with and without the SDK's loader DLL.
using CreateEnvironmentInternal = HRESULT(STDMETHODCALLTYPE*)(bool checkRunning, int runtimeType,
                                                              PCWSTR userDataFolder, IUnknown* options,
                                                              ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler*);
using CreateEnvironmentWithOptions = HRESULT(STDMETHODCALLTYPE*)(PCWSTR browserFolder, PCWSTR userDataFolder,
                                                                 IUnknown* options,
                                                                 ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler*);

}  // namespace strobe95::webview2
