#pragma once
#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "ClapApi.h"
#include "Engine.h"
#include "EngineEvent.h"
#include "FaceplateQueues.h"
#include "ParamSpec.h"
#include "PresetState.h"

namespace strobe95 {

class Gui;

// One instance of the synthesizer as a host sees it. The CLAP tables call into it
// through ClapTables.cpp; the faceplate calls the operations below on the main thread.
class Plugin {
 public:
  explicit Plugin(const clap_host* host);
  ~Plugin();
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  static Plugin& from(const clap_plugin* plugin) {
    return *static_cast<Plugin*>(plugin->plugin_data);
  }
  const clap_plugin* clapPlugin() const { return &clapPlugin_; }

  // Lifecycle (main thread, except reset and process: audio thread).
  bool init();
  bool activate(double sampleRate);
  void deactivate();
  void reset();
  clap_process_status process(const clap_process* process);
  const void* extension(std::string_view id) const;

  // Params extension.
  bool paramInfo(uint32_t index, clap_param_info* info) const;
  bool paramValue(clap_id id, double* out) const;
  bool valueToText(clap_id id, double value, char* buffer, uint32_t size) const;
  bool textToValue(clap_id id, const char* text, double* out) const;
  void flush(const clap_input_events* in, const clap_output_events* out);

  // State extension and its text.
  bool save(const clap_ostream* stream) const;
  bool load(const clap_istream* stream);
  std::string writeStateText() const;
  void readStateText(std::string_view text);

  // What the faceplate may do (main thread).
  void setParameterFromGui(int index, float value);
  void beginGesture(int index);
  void endGesture(int index);
  void pushUiNote(uint32_t key, bool on);
  PresetState getPresetState() const;
  void setPresetState(std::string name, bool edited);
  float value(int index) const { return values_[index].load(); }
  // True once after the host changed a parameter; the faceplate then redraws.
  bool takeNeedsRefresh() { return needsRefresh_.exchange(false); }
  void markDirty() const;
  const clap_host* host() const { return host_; }

  // The faceplate (main thread); null until the host creates it.
  Gui* gui() const { return gui_.get(); }
  void setGui(std::unique_ptr<Gui> gui);

  // Tests only: the processors engines are built with from the next activation on.
  void buildEnginesWithForTesting(ProcessorFactory processors) { processors_ = processors; }

 private:
  void storeHostValue(int index, double value);
  void drainOutbox(const clap_output_events* out);
  void gatherHostEvents(const clap_process* process);
  void requestFlush() const;
  void primeEngine();

  clap_plugin clapPlugin_;
  const clap_host* host_;                           // main thread
  const clap_host_params* hostParams_ = nullptr;    // main thread
  const clap_host_state* hostState_ = nullptr;      // main thread
  std::unique_ptr<Engine> engine_;                  // audio thread (and activate/deactivate)
  ProcessorFactory processors_ = ProcessorFactory::generated();  // main thread (activate)
  std::array<std::atomic<float>, kParamCount> values_;  // main + audio thread; what hosts see
  std::array<float, kParamCount> applied_;          // audio thread: last value handed to the engine
  std::vector<EngineEvent> blockEvents_;            // audio thread; capacity fixed at construction
  ParamOutbox outbox_;                              // faceplate (main) produces, process/flush consume
  UiNoteQueue uiNotes_;                             // faceplate (main) produces, process consumes
  double lastTempo_ = 0.0;                          // audio thread
  mutable std::mutex presetLock_;                   // guards presetState_ only, never held for long
  PresetState presetState_;                         // main thread, under presetLock_
  std::atomic<bool> needsRefresh_{false};           // audio or main thread sets, faceplate clears
  std::unique_ptr<Gui> gui_;                        // main thread; the editor, destroyed first
};

}  // namespace strobe95
