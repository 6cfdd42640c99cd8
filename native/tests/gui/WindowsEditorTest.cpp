// The Windows editor under Wine, loaded the way a Windows host loads the plugin. Wine has
// no WebView2 runtime, so this is the "no runtime, no editor" path: create succeeds,
// set_parent refuses, show and hide succeed, and the sound is the same as without an
// editor. It also checks the slot of every WebView2 method the faceplate calls, since a
// wrong slot would crash only on a real Windows machine.
//
//   strobe95_windows_editor_test.exe <STROBE-95.clap>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <clap/ext/gui.h>

#include "AudioBlock.h"
#include "EventLists.h"
#include "Gui/WebView2Interfaces.h"
#include "PluginLibrary.h"
#include "TestHost.h"

namespace {

using namespace strobe95;
using namespace strobe95::webview2;
using test::PluginLibrary;

int failures = 0;

void check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
  if (!ok) ++failures;
}

// GCC's C++ ABI stores a pointer to a virtual member as 1 + its byte offset in the vtable.
template <typename Method>
long slotOf(Method method) {
  ptrdiff_t representation[2];
  static_assert(sizeof(Method) == sizeof representation);
  std::memcpy(representation, &method, sizeof representation);
  return static_cast<long>((representation[0] - 1) / static_cast<ptrdiff_t>(sizeof(void*)));
}

constexpr long kUnknownSlots = 3;  // QueryInterface, AddRef, Release

void checkSlots() {
  struct Case {
    const char* name;
    long slot;
    long expected;  // after IUnknown's three, from the published interface order
  };
  const Case cases[] = {
      {"Environment::CreateCoreWebView2Controller", slotOf(&ICoreWebView2Environment::CreateCoreWebView2Controller), 0},
      {"Environment::CreateWebResourceResponse", slotOf(&ICoreWebView2Environment::CreateWebResourceResponse), 1},
      {"Controller::put_IsVisible", slotOf(&ICoreWebView2Controller::put_IsVisible), 1},
      {"Controller::put_Bounds", slotOf(&ICoreWebView2Controller::put_Bounds), 3},
      {"Controller::NotifyParentWindowPositionChanged",
       slotOf(&ICoreWebView2Controller::NotifyParentWindowPositionChanged), 20},
      {"Controller::Close", slotOf(&ICoreWebView2Controller::Close), 21},
      {"Controller::get_CoreWebView2", slotOf(&ICoreWebView2Controller::get_CoreWebView2), 22},
      {"WebView::get_Settings", slotOf(&ICoreWebView2::get_Settings), 0},
      {"WebView::Navigate", slotOf(&ICoreWebView2::Navigate), 2},
      {"WebView::add_NavigationStarting", slotOf(&ICoreWebView2::add_NavigationStarting), 4},
      {"WebView::AddScriptToExecuteOnDocumentCreated", slotOf(&ICoreWebView2::AddScriptToExecuteOnDocumentCreated), 24},
      {"WebView::ExecuteScript", slotOf(&ICoreWebView2::ExecuteScript), 26},
      {"WebView::add_WebMessageReceived", slotOf(&ICoreWebView2::add_WebMessageReceived), 31},
      {"WebView::add_NewWindowRequested", slotOf(&ICoreWebView2::add_NewWindowRequested), 41},
      {"WebView::add_WebResourceRequested", slotOf(&ICoreWebView2::add_WebResourceRequested), 52},
      {"WebView::AddWebResourceRequestedFilter", slotOf(&ICoreWebView2::AddWebResourceRequestedFilter), 54},
      {"Settings::put_IsStatusBarEnabled", slotOf(&ICoreWebView2Settings::put_IsStatusBarEnabled), 7},
      {"Settings::put_AreDevToolsEnabled", slotOf(&ICoreWebView2Settings::put_AreDevToolsEnabled), 9},
      {"Settings::put_AreDefaultContextMenusEnabled",
       slotOf(&ICoreWebView2Settings::put_AreDefaultContextMenusEnabled), 11},
      {"WebResourceRequestedEventArgs::get_Request", slotOf(&ICoreWebView2WebResourceRequestedEventArgs::get_Request), 0},
      {"WebResourceRequestedEventArgs::put_Response",
       slotOf(&ICoreWebView2WebResourceRequestedEventArgs::put_Response), 2},
      {"WebResourceRequest::get_Uri", slotOf(&ICoreWebView2WebResourceRequest::get_Uri), 0},
      {"NavigationStartingEventArgs::get_Uri", slotOf(&ICoreWebView2NavigationStartingEventArgs::get_Uri), 0},
      {"NavigationStartingEventArgs::put_Cancel", slotOf(&ICoreWebView2NavigationStartingEventArgs::put_Cancel), 5},
      {"NewWindowRequestedEventArgs::put_Handled", slotOf(&ICoreWebView2NewWindowRequestedEventArgs::put_Handled), 3},
      {"WebMessageReceivedEventArgs::TryGetWebMessageAsString",
       slotOf(&ICoreWebView2WebMessageReceivedEventArgs::TryGetWebMessageAsString), 2},
      {"ExecuteScriptCompletedHandler::Invoke", slotOf(&ICoreWebView2ExecuteScriptCompletedHandler::Invoke), 0},
      {"EnvironmentCompletedHandler::Invoke",
       slotOf(&ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler::Invoke), 0},
  };
  for (const Case& c : cases) {
    check(c.slot == kUnknownSlots + c.expected,
          std::string("slot of ") + c.name + " is " + std::to_string(c.slot - kUnknownSlots));
  }
}

// Renders a phrase; the editor's presence must not change a single sample.
std::vector<float> render(const PluginLibrary& library, bool withEditor, HWND parent) {
  test::TestHost host;
  test::PluginInstance instance(library, host);
  const clap_plugin* p = instance.plugin();
  const auto* gui = static_cast<const clap_plugin_gui*>(p->get_extension(p, CLAP_EXT_GUI));
  if (withEditor) {
    check(gui->create(p, CLAP_WINDOW_API_WIN32, false), "create on win32 is true without a runtime");
    clap_window window{};
    window.api = CLAP_WINDOW_API_WIN32;
    window.win32 = parent;
    check(!gui->set_parent(p, &window), "set_parent is false: there is nothing to show");
    check(gui->show(p), "show is true");
  }
  p->activate(p, 48000, 1, 512);
  p->start_processing(p);
  std::vector<float> out;
  for (int block = 0; block < 40; ++block) {
    test::AudioBlock audio(256);
    test::InputEvents in;
    if (block == 0) in.noteOn(0, 57).noteOn(0, 64);
    if (block == 20) in.noteOff(0, 57).noteOff(0, 64);
    p->process(p, audio.process(&in, nullptr));
    out.insert(out.end(), audio.channels[0].begin(), audio.channels[0].end());
    out.insert(out.end(), audio.channels[1].begin(), audio.channels[1].end());
  }
  p->stop_processing(p);
  if (withEditor) {
    check(gui->hide(p), "hide is true");
    gui->destroy(p);
  }
  p->deactivate(p);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <STROBE-95.clap>\n", argv[0]);
    return 2;
  }
  checkSlots();
  PluginLibrary library(argv[1]);
  check(library.entry() != nullptr, "the plugin loads");
  if (!library.entry()) return 1;
  {
    test::TestHost host;
    test::PluginInstance instance(library, host);
    const clap_plugin* p = instance.plugin();
    const auto* gui = static_cast<const clap_plugin_gui*>(p->get_extension(p, CLAP_EXT_GUI));
    check(gui != nullptr, "offers clap.gui");
    const char* api = nullptr;
    bool floating = true;
    check(gui->get_preferred_api(p, &api, &floating) && std::strcmp(api, "win32") == 0 && !floating,
          "prefers win32, embedded");
    check(!gui->create(p, CLAP_WINDOW_API_X11, false), "create on x11 is false");
  }
  HWND parent = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 1000, 850, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  const std::vector<float> plain = render(library, false, parent);
  const std::vector<float> edited = render(library, true, parent);
  check(plain == edited, "the sound is the same with the editor open");
  DestroyWindow(parent);
  std::printf("%d failures\n", failures);
  return failures == 0 ? 0 : 1;
}
