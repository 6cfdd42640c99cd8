#pragma once
// A workstation in miniature: a clap_host that offers params and state (or not), counts
// what the plugin asks of it, and creates plugin instances from a loaded library.
#include <memory>
#include <string>

#include <clap/entry.h>
#include <clap/ext/params.h>
#include <clap/ext/state.h>
#include <clap/host.h>
#include <clap/plugin-factory.h>
#include <clap/plugin.h>

#include "PluginLibrary.h"

namespace strobe95::test {

struct HostOptions {
  bool offerParams = true;
  bool offerState = true;
  clap_version_t version = {1, 2, 10};
};

class TestHost {
 public:
  explicit TestHost(HostOptions options = {});
  const clap_host* host() const { return &host_; }

  int flushRequests = 0;
  int dirtyMarks = 0;

 private:
  static const void* getExtension(const clap_host* host, const char* id);
  HostOptions options_;
  clap_host host_;
  clap_host_params params_;
  clap_host_state state_;
};

// A created and initialised instance with the extensions a host would fetch.
class PluginInstance {
 public:
  PluginInstance(const PluginLibrary& library, TestHost& host);
  ~PluginInstance();
  PluginInstance(const PluginInstance&) = delete;
  PluginInstance& operator=(const PluginInstance&) = delete;

  const clap_plugin* plugin() const { return plugin_; }
  const clap_plugin_params* params() const { return params_; }
  const clap_plugin_state* state() const { return state_; }
  const clap_plugin* operator->() const { return plugin_; }

  // The state text through the state extension's save, or "" when save fails.
  std::string saveText() const;
  bool loadText(const std::string& text) const;
  double value(const char* textId) const;

 private:
  const clap_plugin* plugin_ = nullptr;
  const clap_plugin_params* params_ = nullptr;
  const clap_plugin_state* state_ = nullptr;
};

const clap_plugin_factory* factoryOf(const PluginLibrary& library);

// The CLAP id of a text id, by the published FNV-1a rule rather than the plugin's code.
uint32_t clapIdOf(const char* textId);

}  // namespace strobe95::test
