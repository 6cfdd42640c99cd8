#pragma once
// Loads a built STROBE-95.clap the way a host does: by path, through its exported entry.
#include <string>

#include <clap/entry.h>

namespace strobe95::test {

class PluginLibrary {
 public:
  // Loads the library and calls the entry's init; check entry() before use.
  explicit PluginLibrary(const std::string& path);
  ~PluginLibrary();
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  const clap_plugin_entry* entry() const { return entry_; }
  const std::string& error() const { return error_; }

 private:
  void* handle_ = nullptr;
  const clap_plugin_entry* entry_ = nullptr;
  std::string error_;
};

}  // namespace strobe95::test
