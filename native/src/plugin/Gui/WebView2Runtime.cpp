#include "WebView2Runtime.h"

#include <string>

#include "WebView2Version.h"

namespace strobe95::webview2 {
namespace {

constexpr const wchar_t* kClientStateKey =
    L"SOFTWARE\\Microsoft\\EdgeUpdate\\ClientState\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";
constexpr const wchar_t* kClientLibrary = L"\\EBWebView\\x64\\EmbeddedBrowserWebView.dll";
constexpr int kInstalledRuntime = 0;

std::string narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

std::wstring runtimeFolder() {
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, kClientStateKey, 0, KEY_READ | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS) continue;
    wchar_t folder[MAX_PATH] = {};
    DWORD size = sizeof folder - sizeof(wchar_t);
    DWORD type = 0;
    const LONG status = RegQueryValueExW(key, L"EBWebView", nullptr, &type, reinterpret_cast<BYTE*>(folder), &size);
    RegCloseKey(key);
    if (status == ERROR_SUCCESS && type == REG_SZ && folder[0]) return folder;
  }
  return {};
}

// Where the browser keeps its profile: the user's own folder, never the host's.
std::wstring userDataFolder() {
  wchar_t base[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", base, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return std::wstring(base) + L"\\STROBE-95\\WebView2";
}

std::wstring pluginFolder() {
  HMODULE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&createEnvironment), &self);
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
  std::wstring folder(path, length);
  return folder.substr(0, folder.find_last_of(L"\\/"));
}

}  // namespace

bool createEnvironment(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
  const std::wstring data = userDataFolder();
  // The SDK's own loader, when a distribution ships it beside the plugin, knows best.
  if (HMODULE loader = LoadLibraryW((pluginFolder() + L"\\WebView2Loader.dll").c_str())) {
    const auto create = reinterpret_cast<CreateEnvironmentWithOptions>(
        reinterpret_cast<void*>(GetProcAddress(loader, "CreateCoreWebView2EnvironmentWithOptions")));
    if (create) return SUCCEEDED(create(nullptr, data.empty() ? nullptr : data.c_str(), nullptr, handler));
  }
  const std::wstring folder = runtimeFolder();
  if (folder.empty() || !isUsableRuntimeFolder(narrow(folder))) return false;
  HMODULE client = LoadLibraryW((folder + kClientLibrary).c_str());
  if (!client) return false;
  const auto create = reinterpret_cast<CreateEnvironmentInternal>(
      reinterpret_cast<void*>(GetProcAddress(client, "CreateWebViewEnvironmentWithOptionsInternal")));
  if (!create) return false;
  return SUCCEEDED(create(true, kInstalledRuntime, data.empty() ? nullptr : data.c_str(), nullptr, handler));
}

}  // namespace strobe95::webview2
