#pragma once
// Finds the installed WebView2 runtime and starts an environment from it, without the
// SDK's loader library unless one sits beside the plugin.
#include <functional>

#include "WebView2Interfaces.h"

namespace strobe95::webview2 {

// Starts creating an environment; `handler` receives it on this thread's message loop.
// False at once when no usable runtime is installed (as under Wine).
bool createEnvironment(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler);

}  // namespace strobe95::webview2
