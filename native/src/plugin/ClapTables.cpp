// The C side of the plugin: one static function per table slot, each finding the
// instance and handing the call to its C++ member.
#include "ClapTables.h"

#include "Descriptor.h"
#include "Gui/GuiExtension.h"
#include "Plugin.h"
#include "Ports.h"

namespace strobe95 {
namespace {

Plugin& self(const clap_plugin* plugin) { return Plugin::from(plugin); }

bool pluginInit(const clap_plugin* p) { return self(p).init(); }
void pluginDestroy(const clap_plugin* p) { delete &self(p); }
bool pluginActivate(const clap_plugin* p, double rate, uint32_t, uint32_t) {
  return self(p).activate(rate);
}
void pluginDeactivate(const clap_plugin* p) { self(p).deactivate(); }
bool pluginStartProcessing(const clap_plugin*) { return true; }
void pluginStopProcessing(const clap_plugin*) {}
void pluginReset(const clap_plugin* p) { self(p).reset(); }
clap_process_status pluginProcess(const clap_plugin* p, const clap_process* process) {
  return self(p).process(process);
}
const void* pluginGetExtension(const clap_plugin* p, const char* id) {
  return id ? self(p).extension(id) : nullptr;
}
void pluginOnMainThread(const clap_plugin*) {}

uint32_t audioPortsCount(const clap_plugin*, bool isInput) { return audioPortCount(isInput); }
bool audioPortsGet(const clap_plugin*, uint32_t index, bool isInput, clap_audio_port_info* info) {
  return audioPortInfo(index, isInput, info);
}
const clap_plugin_audio_ports kAudioPorts = {audioPortsCount, audioPortsGet};

uint32_t notePortsCount(const clap_plugin*, bool isInput) { return notePortCount(isInput); }
bool notePortsGet(const clap_plugin*, uint32_t index, bool isInput, clap_note_port_info* info) {
  return notePortInfo(index, isInput, info);
}
const clap_plugin_note_ports kNotePorts = {notePortsCount, notePortsGet};

uint32_t paramsCount(const clap_plugin*) { return kParamCount; }
bool paramsGetInfo(const clap_plugin* p, uint32_t index, clap_param_info* info) {
  return self(p).paramInfo(index, info);
}
bool paramsGetValue(const clap_plugin* p, clap_id id, double* out) {
  return self(p).paramValue(id, out);
}
bool paramsValueToText(const clap_plugin* p, clap_id id, double value, char* buffer, uint32_t size) {
  return self(p).valueToText(id, value, buffer, size);
}
bool paramsTextToValue(const clap_plugin* p, clap_id id, const char* text, double* out) {
  return self(p).textToValue(id, text, out);
}
void paramsFlush(const clap_plugin* p, const clap_input_events* in, const clap_output_events* out) {
  self(p).flush(in, out);
}
const clap_plugin_params kParams = {paramsCount,       paramsGetInfo,     paramsGetValue,
                                    paramsValueToText, paramsTextToValue, paramsFlush};

bool stateSave(const clap_plugin* p, const clap_ostream* stream) { return self(p).save(stream); }
bool stateLoad(const clap_plugin* p, const clap_istream* stream) { return self(p).load(stream); }
const clap_plugin_state kState = {stateSave, stateLoad};

}  // namespace

clap_plugin makePluginTable(Plugin* instance) {
  return clap_plugin{&kDescriptor,          instance,          pluginInit,
                     pluginDestroy,         pluginActivate,    pluginDeactivate,
                     pluginStartProcessing, pluginStopProcessing, pluginReset,
                     pluginProcess,         pluginGetExtension, pluginOnMainThread};
}

const void* findExtension(std::string_view id) {
  if (id == CLAP_EXT_AUDIO_PORTS) return &kAudioPorts;
  if (id == CLAP_EXT_NOTE_PORTS) return &kNotePorts;
  if (id == CLAP_EXT_PARAMS) return &kParams;
  if (id == CLAP_EXT_STATE) return &kState;
  if (id == CLAP_EXT_GUI) return &kGuiExtension;
#ifndef _WIN32
  // The Linux faceplate runs its web view from the host's loop, through host timers.
  if (id == CLAP_EXT_TIMER_SUPPORT) return &kTimerSupportExtension;
#endif
  return nullptr;
}

}  // namespace strobe95
