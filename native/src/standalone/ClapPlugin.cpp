#include "ClapPlugin.h"

#include "StandaloneExtensions.h"

#include <cstring>

namespace Clap {
namespace {

constexpr const char* kHostVendor = "Glowhaus";
constexpr const char* kHostUrl = "https://glowhaus.co/strobe-95";
constexpr const char* kHostVersion = "0.17.0";

thread_local uint32_t tMainThreadOverrides = 0;   // this thread's MainThreadOverride nesting
thread_local uint32_t tAudioThreadOverrides = 0;  // this thread's AudioThreadOverride nesting

IHost& parentOf(const clap_host_t* host) { return *static_cast<Plugin*>(host->host_data)->parentHost(); }

const void* hostGetExtension(const clap_host_t* host, const char* id) {
  if (!id) return nullptr;
  // The features table lives with the host, which answers it from its backends.
  if (std::strcmp(id, strobe95::standalone::kStandaloneFeaturesExtension) == 0) {
    return parentOf(host).standaloneFeatures();
  }
  return hostExtension(id);
}
void hostRequestRestart(const clap_host_t* host) { parentOf(host).requestRestart(); }
void hostRequestProcess(const clap_host_t* host) { parentOf(host).requestProcess(); }
void hostRequestCallback(const clap_host_t* host) { parentOf(host).requestCallback(); }

// Tries each id in order and keeps the first table the plugin offers.
const void* firstOffered(const clap_plugin_t* plugin, std::initializer_list<const char*> ids) {
  for (const char* id : ids) {
    if (const void* table = plugin->get_extension(plugin, id)) return table;
  }
  return nullptr;
}

}  // namespace

Plugin::Plugin(IHost* parentHost) : parentHost_(parentHost), mainThreadId_(std::this_thread::get_id()) {
  host_.clap_version = strobe95::kClapVersion;
  host_.host_data = this;
  host_.name = parentHost->hostName();
  host_.vendor = kHostVendor;
  host_.url = kHostUrl;
  host_.version = kHostVersion;
  host_.get_extension = hostGetExtension;
  host_.request_restart = hostRequestRestart;
  host_.request_process = hostRequestProcess;
  host_.request_callback = hostRequestCallback;
}

Plugin::~Plugin() { destroy(); }

bool Plugin::create(const clap_plugin_factory_t* factory, const std::string& pluginId) {
  if (!factory || plugin_) return false;
  const clap_plugin_t* created = factory->create_plugin(factory, &host_, pluginId.c_str());
  if (!created) return false;
  if (!created->init(created)) {
    created->destroy(created);
    return false;
  }
  plugin_ = created;
  fetchExtensions();
  return true;
}

void Plugin::destroy() {
  if (!plugin_) return;
  const clap_plugin_t* plugin = plugin_;
  plugin_ = nullptr;
  extensions_ = {};
  plugin->destroy(plugin);
}

void Plugin::fetchExtensions() {
  PluginExtensions& e = extensions_;
  const clap_plugin_t* p = plugin_;
  e.state = static_cast<const clap_plugin_state_t*>(firstOffered(p, {CLAP_EXT_STATE}));
  e.params = static_cast<const clap_plugin_params_t*>(firstOffered(p, {CLAP_EXT_PARAMS}));
  e.audioPorts = static_cast<const clap_plugin_audio_ports_t*>(firstOffered(p, {CLAP_EXT_AUDIO_PORTS}));
  e.configurableAudioPorts =
      firstOffered(p, {"clap.configurable-audio-ports/1", "clap.configurable-audio-ports.draft1"});
  e.surround = firstOffered(p, {"clap.surround/4", "clap.surround.draft/4"});
  e.ambisonic = firstOffered(p, {"clap.ambisonic/3", "clap.ambisonic.draft/3"});
  e.audioPortsActivation =
      firstOffered(p, {"clap.audio-ports-activation/2", "clap.audio-ports-activation/draft-2"});
  e.notePorts = static_cast<const clap_plugin_note_ports_t*>(firstOffered(p, {CLAP_EXT_NOTE_PORTS}));
  e.latency = static_cast<const clap_plugin_latency_t*>(firstOffered(p, {CLAP_EXT_LATENCY}));
  e.render = firstOffered(p, {"clap.render"});
  e.tail = firstOffered(p, {"clap.tail"});
  e.gui = static_cast<const clap_plugin_gui_t*>(firstOffered(p, {CLAP_EXT_GUI}));
  e.timerSupport = static_cast<const clap_plugin_timer_support_t*>(firstOffered(p, {CLAP_EXT_TIMER_SUPPORT}));
  e.trackInfo = firstOffered(p, {"clap.track-info/1"});
  e.ara = firstOffered(p, {"org.ara-audio.ara.pluginextension/2"});
  e.contextMenu = firstOffered(p, {"clap.context-menu/1", "clap.context-menu.draft/0"});
  e.gainAdjustmentMetering = firstOffered(p, {"clap.gain-adjustment-metering/0"});
  e.presetLoad = firstOffered(p, {"clap.preset-load/2", "clap.preset-load.draft/2"});
  e.auv2ParamOrdering = firstOffered(p, {"clap.plugin-auv2-param-ordering/0"});
  e.standaloneFeatures = firstOffered(p, {"standalone-host.standalone-features.draft/5"});
  // An editor this host cannot embed is no editor.
  if (e.gui && !e.gui->is_api_supported(p, kHostWindowApi, false)) e.gui = nullptr;
}

bool Plugin::isMainThread() const {
  if (tMainThreadOverrides != 0) return true;
  return std::this_thread::get_id() == mainThreadId_;
}

bool Plugin::isAudioThread() const {
  if (tAudioThreadOverrides != 0) return true;
  return std::this_thread::get_id() != mainThreadId_;
}

MainThreadOverride::MainThreadOverride() { ++tMainThreadOverrides; }
MainThreadOverride::~MainThreadOverride() { --tMainThreadOverrides; }
AudioThreadOverride::AudioThreadOverride() { ++tAudioThreadOverrides; }
AudioThreadOverride::~AudioThreadOverride() { --tAudioThreadOverrides; }

}  // namespace Clap
