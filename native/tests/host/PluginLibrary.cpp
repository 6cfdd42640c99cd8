#include "PluginLibrary.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace strobe95::test {

#ifdef _WIN32
PluginLibrary::PluginLibrary(const std::string& path) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide.data(), length);
  HMODULE module = LoadLibraryW(wide.c_str());
  if (!module) {
    error_ = "LoadLibraryW failed for " + path;
    return;
  }
  handle_ = module;
  auto symbol = reinterpret_cast<void*>(GetProcAddress(module, "clap_entry"));
  entry_ = static_cast<const clap_plugin_entry*>(symbol);
  if (!entry_) error_ = "no clap_entry in " + path;
  if (entry_ && !entry_->init(path.c_str())) {
    error_ = "entry init failed";
    entry_ = nullptr;
  }
}

PluginLibrary::~PluginLibrary() {
  if (entry_) entry_->deinit();
  if (handle_) FreeLibrary(static_cast<HMODULE>(handle_));
}
#else
PluginLibrary::PluginLibrary(const std::string& path) {
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    error_ = dlerror();
    return;
  }
  entry_ = static_cast<const clap_plugin_entry*>(dlsym(handle_, "clap_entry"));
  if (!entry_) error_ = "no clap_entry in " + path;
  if (entry_ && !entry_->init(path.c_str())) {
    error_ = "entry init failed";
    entry_ = nullptr;
  }
}

PluginLibrary::~PluginLibrary() {
  if (entry_) entry_->deinit();
  if (handle_) dlclose(handle_);
}
#endif

}  // namespace strobe95::test
