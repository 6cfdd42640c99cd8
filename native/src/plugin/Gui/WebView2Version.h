#pragma once
// Whether an installed WebView2 runtime is new enough, read from its folder's name.
#include <charconv>
#include <string_view>

namespace strobe95::webview2 {

// The interfaces we declare exist from runtime build 1150 on.
inline constexpr unsigned kMinimumRuntimeBuild = 1150;

// The folder's last component is the version "major.minor.build.patch"; its build
// number must reach the minimum. Folders named otherwise are not a runtime we can use.
inline bool isUsableRuntimeFolder(std::string_view folder) {
  const auto slash = folder.find_last_of("\\/");
  std::string_view version = slash == std::string_view::npos ? folder : folder.substr(slash + 1);
  unsigned parts[4] = {};
  for (int i = 0; i < 4; ++i) {
    const auto [end, error] = std::from_chars(version.data(), version.data() + version.size(), parts[i]);
    if (error != std::errc() || end == version.data()) return false;
    version.remove_prefix(static_cast<std::size_t>(end - version.data()));
    if (i < 3) {
      if (version.empty() || version.front() != '.') return false;
      version.remove_prefix(1);
    }
  }
  return version.empty() && parts[2] >= kMinimumRuntimeBuild;
}

}  // namespace strobe95::webview2
