#pragma once
// What a created plugin's host callbacks reach: the standalone host behind every
// clap_host table it hands out. Slot order is part of the contract.
#include <cstdint>

#include "ClapHostApi.h"

namespace Clap {

class Plugin;

class IHost {
 public:
  virtual ~IHost() = default;
  virtual void onStateMarkedDirty() = 0;
  virtual void requestRestart() = 0;
  virtual void requestProcess() = 0;
  virtual void requestCallback() = 0;
  virtual void onPluginInitialized(Plugin* plugin) = 0;
  virtual void describeAudioPorts(Plugin* plugin, const clap_plugin_audio_ports_t* audioPorts) = 0;
  virtual void describeNotePorts(Plugin* plugin, const clap_plugin_note_ports_t* notePorts) = 0;
  virtual void describeParameters(Plugin* plugin, const clap_plugin_params_t* params) = 0;
  virtual void onParamsRescan(clap_param_rescan_flags flags) = 0;
  virtual void onParamsClear(clap_id paramId, clap_param_clear_flags flags) = 0;
  virtual void onParamsFlushRequest() = 0;
  virtual void onLatencyChanged() = 0;
  virtual void onTailChanged() = 0;
  virtual bool canGuiResize() = 0;
  virtual bool requestGuiResize(uint32_t width, uint32_t height) = 0;
  virtual bool requestGuiShow() = 0;
  virtual bool requestGuiHide() = 0;
  virtual bool registerTimer(uint32_t periodMs, clap_id* timerId) = 0;
  virtual bool unregisterTimer(clap_id timerId) = 0;
  virtual bool getTrackInfo(clap_track_info_t* info) = 0;
  virtual const char* hostName() const = 0;
  virtual const char* hostKind() const = 0;
  virtual const char* hostDescription() const = 0;
  virtual const void* standaloneFeatures() const = 0;
  virtual void onPresetLoaded(uint32_t locationKind, const char* location, const char* loadKey) = 0;
  virtual void onPresetLoadError(uint32_t locationKind, const char* location, const char* loadKey,
                                 int32_t osError, const char* message) = 0;
  virtual bool canPopupContextMenu() = 0;
  virtual bool populateContextMenu(const clap_context_menu_target_t* target,
                                   const clap_context_menu_builder_t* builder) = 0;
  virtual bool performContextMenuAction(const clap_context_menu_target_t* target, clap_id actionId) = 0;
  virtual bool offersContextMenu() = 0;
  virtual bool popupContextMenu(const clap_context_menu_target_t* target, int32_t screenIndex, int32_t x,
                                int32_t y) = 0;
};

}  // namespace Clap
