#pragma once
// One created plugin as the standalone holds it: the clap_plugin, the clap_host table
// handed to it, and the plugin's extensions fetched once after init.
#include <cstdint>
#include <string>
#include <thread>

#include "ClapHostApi.h"
#include "IHost.h"

namespace Clap {

// Fetched once after init, in this order; null when the plugin lacks one. Only state,
// params, audio ports, note ports and gui are used by this host.
struct PluginExtensions {
  const clap_plugin_state_t* state = nullptr;
  const clap_plugin_params_t* params = nullptr;
  const clap_plugin_audio_ports_t* audioPorts = nullptr;
  const void* configurableAudioPorts = nullptr;
  const void* surround = nullptr;
  const void* ambisonic = nullptr;
  const void* audioPortsActivation = nullptr;
  const clap_plugin_note_ports_t* notePorts = nullptr;
  const clap_plugin_latency_t* latency = nullptr;
  const void* render = nullptr;
  const void* tail = nullptr;
  const clap_plugin_gui_t* gui = nullptr;
  const clap_plugin_timer_support_t* timerSupport = nullptr;
  const void* trackInfo = nullptr;
  const void* ara = nullptr;
  const void* contextMenu = nullptr;
  const void* gainAdjustmentMetering = nullptr;
  const void* presetLoad = nullptr;
  const void* auv2ParamOrdering = nullptr;
  const void* standaloneFeatures = nullptr;
};

// The window system the host embeds an editor with: Win32 on Windows; elsewhere X11,
// the one Linux hosts use, so the same core can carry a Linux standalone later.
#ifdef _WIN32
inline constexpr const char* kHostWindowApi = CLAP_WINDOW_API_WIN32;
#else
inline constexpr const char* kHostWindowApi = CLAP_WINDOW_API_X11;
#endif

class Plugin {
 public:
  // Records the calling thread as the main thread.
  explicit Plugin(IHost* parentHost);
  ~Plugin();  // destroys the plugin when it still exists
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  // Creates the plugin through the factory, calls init and fetches the extensions.
  // False (and no plugin) when the factory gives none or init fails.
  bool create(const clap_plugin_factory_t* factory, const std::string& pluginId);
  // Calls the plugin's destroy; afterwards plugin() is null. Main thread.
  void destroy();

  const clap_plugin_t* plugin() const { return plugin_; }
  const clap_host_t* host() const { return &host_; }
  IHost* parentHost() const { return parentHost_; }
  const PluginExtensions& extensions() const { return extensions_; }

  bool isMainThread() const;
  bool isAudioThread() const;

  // Rate and frame bounds of the next activate (main thread).
  double sampleRate = 44100.0;
  uint32_t minFrames = 0;
  uint32_t maxFrames = 0;

 private:
  void fetchExtensions();

  PluginExtensions extensions_;       // main thread, fixed after create
  const clap_plugin_t* plugin_ = nullptr;  // main thread
  clap_host_t host_;                  // handed to the plugin; host_data is this wrapper
  IHost* parentHost_;                 // answers every host callback
  std::thread::id mainThreadId_;      // the constructing thread
};

// Makes the calling thread count as the main or the audio thread for as long as it
// lives, whatever thread it is; nests. The host runs start/stop_processing this way.
class MainThreadOverride {
 public:
  MainThreadOverride();
  ~MainThreadOverride();
  MainThreadOverride(const MainThreadOverride&) = delete;
  MainThreadOverride& operator=(const MainThreadOverride&) = delete;
};

class AudioThreadOverride {
 public:
  AudioThreadOverride();
  ~AudioThreadOverride();
  AudioThreadOverride(const AudioThreadOverride&) = delete;
  AudioThreadOverride& operator=(const AudioThreadOverride&) = delete;
};

// The host extension table for an id, null for ids this host does not offer.
const void* hostExtension(const char* id);

}  // namespace Clap
