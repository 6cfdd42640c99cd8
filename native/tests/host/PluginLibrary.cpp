#include "PluginLibrary.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace strobe95::test {
namespace {

#ifdef _WIN32
void* openLibrary(const std::string& path, std::string& error) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide.data(), length);
  HMODULE module = LoadLibraryW(wide.c_str());
  if (!module) error = "LoadLibraryW failed for " + path;
  return module;
}
void* findSymbol(void* handle, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
void closeLibrary(void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); }
#else
void* openLibrary(const std::string& path, std::string& error) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) error = dlerror();
  return handle;
}
void* findSymbol(void* handle, const char* name) { return dlsym(handle, name); }
void closeLibrary(void* handle) { dlclose(handle); }
#endif

}  // namespace

PluginLibrary::PluginLibrary(const std::string& path) {
  handle_ = openLibrary(path, error_);
  if (!handle_) return;
  entry_ = static_cast<const clap_plugin_entry*>(findSymbol(handle_, "clap_entry"));
  if (!entry_) {
    error_ = "no clap_entry in " + path;
  } else if (!entry_->init(path.c_str())) {
    error_ = "entry init failed";
    entry_ = nullptr;
  }
}

PluginLibrary::~PluginLibrary() {
  if (entry_) entry_->deinit();
  if (handle_) closeLibrary(handle_);
}

}  // namespace strobe95::test
