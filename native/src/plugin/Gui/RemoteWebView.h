#pragma once
// The faceplate in the editor helper, a small program installed beside the plugin that
// runs the web view in its own process: for hosts whose own GTK keeps WebKitGTK's out of
// theirs. The page's calls come over the editor channel and run here, on the host's main
// thread, with the same bindings as in the host's process. Linux only.
#include <memory>
#include <string>

#include "WebView.h"

namespace strobe95 {

// The helper's path beside the plugin's library, or "" when it is not installed there.
std::string editorHelperPath();
// Starts the helper; null when it is not installed or cannot be started.
std::unique_ptr<WebView> openRemoteWebView();

}  // namespace strobe95
