// The host extension tables a plugin may ask for: one static function per slot, each
// finding the wrapper through host_data and handing the call to its IHost.
#include <cstring>

#include "ClapPlugin.h"
#include "DebugOutput.h"
#include "StandaloneExtensions.h"

namespace Clap {
namespace {

using strobe95::standalone::standalone_host_features_t;
using strobe95::standalone::standalone_host_information_t;

Plugin& wrapper(const clap_host_t* host) { return *static_cast<Plugin*>(host->host_data); }
IHost& parent(const clap_host_t* host) { return *wrapper(host).parentHost(); }

void logMessage(const clap_host_t*, clap_log_severity severity, const char* message) {
  strobe95::standalone::writeDebugOutput(
      strobe95::standalone::formatPluginLogLine(severity, message ? message : ""));
}
const clap_host_log_t kLog = {logMessage};

void paramsRescan(const clap_host_t* host, clap_param_rescan_flags flags) { parent(host).onParamsRescan(flags); }
void paramsClear(const clap_host_t* host, clap_id id, clap_param_clear_flags flags) {
  parent(host).onParamsClear(id, flags);
}
void paramsRequestFlush(const clap_host_t* host) { parent(host).onParamsFlushRequest(); }
const clap_host_params_t kParams = {paramsRescan, paramsClear, paramsRequestFlush};

bool trackInfoGet(const clap_host_t* host, clap_track_info_t* info) { return parent(host).getTrackInfo(info); }
const clap_host_track_info_t kTrackInfo = {trackInfoGet};

bool isMainThread(const clap_host_t* host) { return wrapper(host).isMainThread(); }
bool isAudioThread(const clap_host_t* host) { return wrapper(host).isAudioThread(); }
const clap_host_thread_check_t kThreadCheck = {isMainThread, isAudioThread};

void guiResizeHintsChanged(const clap_host_t*) {}
bool guiRequestResize(const clap_host_t* host, uint32_t width, uint32_t height) {
  return parent(host).requestGuiResize(width, height);
}
bool guiRequestShow(const clap_host_t* host) { return parent(host).requestGuiShow(); }
bool guiRequestHide(const clap_host_t* host) { return parent(host).requestGuiHide(); }
void guiClosed(const clap_host_t*, bool) {}
const clap_host_gui_t kGui = {guiResizeHintsChanged, guiRequestResize, guiRequestShow, guiRequestHide, guiClosed};

bool timerRegister(const clap_host_t* host, uint32_t periodMs, clap_id* id) {
  return parent(host).registerTimer(periodMs, id);
}
bool timerUnregister(const clap_host_t* host, clap_id id) { return parent(host).unregisterTimer(id); }
const clap_host_timer_support_t kTimerSupport = {timerRegister, timerUnregister};

void latencyChanged(const clap_host_t* host) { parent(host).onLatencyChanged(); }
const clap_host_latency_t kLatency = {latencyChanged};
void tailChanged(const clap_host_t* host) { parent(host).onTailChanged(); }
const clap_host_tail_t kTail = {tailChanged};

void stateMarkDirty(const clap_host_t* host) { parent(host).onStateMarkedDirty(); }
const clap_host_state_t kState = {stateMarkDirty};

bool menuPopulate(const clap_host_t* host, const clap_context_menu_target_t* target,
                  const clap_context_menu_builder_t* builder) {
  parent(host).populateContextMenu(target, builder);
  return true;  // an empty menu is a valid answer
}
bool menuPerform(const clap_host_t* host, const clap_context_menu_target_t* target, clap_id action) {
  return parent(host).performContextMenuAction(target, action);
}
bool menuCanPopup(const clap_host_t* host) { return parent(host).canPopupContextMenu(); }
bool menuPopup(const clap_host_t* host, const clap_context_menu_target_t* target, int32_t screen, int32_t x,
               int32_t y) {
  return parent(host).popupContextMenu(target, screen, x, y);
}
const clap_host_context_menu_t kContextMenu = {menuPopulate, menuPerform, menuCanPopup, menuPopup};

void presetOnError(const clap_host_t* host, uint32_t kind, const char* location, const char* key, int32_t osError,
                   const char* message) {
  parent(host).onPresetLoadError(kind, location, key, osError, message);
}
void presetLoaded(const clap_host_t* host, uint32_t kind, const char* location, const char* key) {
  parent(host).onPresetLoaded(kind, location, key);
}
const clap_host_preset_load_t kPresetLoad = {presetOnError, presetLoaded};

const char* informationKind(const clap_host_t* host) { return parent(host).hostKind(); }
const char* informationDescription(const clap_host_t* host) { return parent(host).hostDescription(); }
const standalone_host_information_t kHostInformation = {informationKind, informationDescription};

bool is(const char* id, const char* name) { return std::strcmp(id, name) == 0; }

}  // namespace

const void* hostExtension(const char* id) {
  if (is(id, CLAP_EXT_LOG)) return &kLog;
  if (is(id, CLAP_EXT_PARAMS)) return &kParams;
  if (is(id, CLAP_EXT_TRACK_INFO)) return &kTrackInfo;
  if (is(id, CLAP_EXT_THREAD_CHECK)) return &kThreadCheck;
  if (is(id, CLAP_EXT_GUI)) return &kGui;
  if (is(id, CLAP_EXT_TIMER_SUPPORT)) return &kTimerSupport;
  if (is(id, CLAP_EXT_LATENCY)) return &kLatency;
  if (is(id, CLAP_EXT_TAIL)) return &kTail;
  if (is(id, CLAP_EXT_STATE)) return &kState;
  if (is(id, CLAP_EXT_CONTEXT_MENU)) return &kContextMenu;
  if (is(id, CLAP_EXT_PRESET_LOAD) || is(id, kClapExtPresetLoadCompat)) return &kPresetLoad;
  if (is(id, strobe95::standalone::kHostInformationExtension)) return &kHostInformation;
  return nullptr;
}

}  // namespace Clap
