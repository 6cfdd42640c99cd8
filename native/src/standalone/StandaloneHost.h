#pragma once
// The standalone's CLAP host: one per process, created on first use. It creates the
// plugin through the program's own entry, answers the plugin's host callbacks, keeps
// the settings and state files, and plays the plugin through the audio and MIDI layers.
#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "AudioBackend.h"
#include "ClapPlugin.h"
#include "IHost.h"
#include "MidiBackend.h"
#include "MidiByteRing.h"
#include "PortLayout.h"
#include "StandaloneExtensions.h"
#include "StandaloneSettings.h"

namespace strobe95::standalone {

inline constexpr const char* kDefaultsStateFile = "defaults.clapstate";
inline constexpr const char* kSessionStateFile = "settings.clapstate";
// The last session as it was on disk, when the plugin could not take it whole.
inline constexpr const char* kKeptSessionStateFile = "settings.clapstate.kept";

// What the host is built on: the platform's audio APIs and MIDI layer, where it keeps
// files, and its clock. Tests hand it scripted ones.
struct HostEnvironment {
  std::vector<AudioApi> audioApis;  // registry order; the first is the default
  std::function<std::unique_ptr<MidiBackend>()> createMidiBackend;  // empty: no MIDI layer
  std::function<std::optional<std::filesystem::path>()> localAppData;  // nothing: no files kept
  std::function<int64_t()> steadyNanos;  // monotonic clock for retries and the health watch
  // Whether the plugin may register timers, fired from the main-thread service. On
  // Windows a plugin keeps its own; on Linux its editor is pumped by them.
  bool offersTimers = false;
};

// The platform's own: its audio APIs (WASAPI on Windows, none elsewhere yet), its data folder,
// the steady clock.
HostEnvironment platformEnvironment();

// Installed by the windows; each is empty while no window is there to answer. Main thread.
struct HostCallbacks {
  std::function<bool(uint32_t width, uint32_t height)> guiResize;
  std::function<bool()> showSettingsWindow;
  std::function<void(const std::string& message)> errorReport;
  std::function<void()> deviceListChanged;
  std::function<void()> appearanceChanged;
  std::function<void()> audioHealthy;         // audio ran with channels for 3 s: errors may show again
  std::function<void()> settingsStatusChanged;  // the settings window's status line is out of date
};

// The devices, channels, rate and buffer size audio runs with (or last tried to).
struct AudioChoice {
  std::string apiName;
  std::string inputDeviceId;
  std::string outputDeviceId;
  bool inputUsed = false;
  bool outputUsed = false;
  uint32_t firstInputChannel = 0;  // 0-based
  uint32_t firstOutputChannel = 0;
  uint32_t inputChannels = 0;      // asked for
  uint32_t outputChannels = 0;
  int32_t sampleRate = 0;
  uint32_t bufferSize = 256;
  uint32_t openInputChannels = 0;  // of the running stream; 0 when none
  uint32_t openOutputChannels = 0;
  StreamResult stream;             // what the running stream reported
};

class StandaloneHost final : public Clap::IHost, public AudioStreamCallback {
 public:
  static constexpr uint32_t kEventSlots = 256;
  static constexpr uint32_t kEventSlotBytes = 1024;
  static constexpr uint32_t kSysexBytes = 1u << 16;
  static constexpr uint32_t kPoolSamples = 1u << 16;  // per channel; blocks are shorter
  static constexpr int kRetryLimit = 5;

  // The one host, created on first use with the environment set before (else the platform's).
  static StandaloneHost& instance();
  static StandaloneHost* existing();
  static void setEnvironment(HostEnvironment environment);
  // Closes the backends and forgets the host; the next instance() starts afresh.
  static void destroyInstance();
  // Ends the session: quiets audio, stops MIDI, keeps the session's state when asked to,
  // stops audio, destroys the plugin, destroys the host and calls the entry's deinit.
  static void shutdown();

  ~StandaloneHost() override;

  // Main thread, run every 8 ms by the main window.
  void mainThreadService();

  const std::shared_ptr<Clap::Plugin>& plugin() const { return plugin_; }
  HostCallbacks callbacks;  // main thread

  // --- Settings file --------------------------------------------------------------
  StandaloneSettings& settings() { return settings_; }
  const std::optional<std::filesystem::path>& settingsDirectory() const { return settingsDirectory_; }
  void setSettingsDirectory(std::optional<std::filesystem::path> directory);
  bool loadSettings();
  // Copies the running API and buffer size into the record, unless choices are being
  // tried, then writes the file.
  bool saveSettings();
  // While the settings window tries choices, a save writes the accepted ones: a size that
  // was only tried reaches the file through OK alone.
  void setTryingChoices(bool trying) { tryingChoices_ = trying; }
  int32_t pluginStatePersistence() const;
  bool setPluginStatePersistence(int32_t value);
  void setDefaultPluginStatePersistence(int32_t value) { defaultPersistence_ = value; }
  int32_t screenAppearance() const { return appearance_; }
  bool setScreenAppearance(int32_t value, bool fromWindow);

  // --- State files ----------------------------------------------------------------
  // Both throw (std::ios_base::failure, std::filesystem::filesystem_error or
  // std::runtime_error) with a text naming what failed; a file being saved is replaced
  // whole or not at all. False when there is no plugin or it keeps no state.
  bool saveState(const std::filesystem::path& folder, const std::filesystem::path& fileName);
  bool loadState(const std::filesystem::path& folder, const std::filesystem::path& fileName);

  // --- Audio ----------------------------------------------------------------------
  bool selectAudioApi(const std::string& name);  // empty or unknown: the first API
  const std::vector<AudioApi>& audioApis() const { return environment_.audioApis; }
  AudioBackend* audioBackend() const { return audioBackend_.get(); }
  bool activatePlugin(double sampleRate, uint32_t minFrames, uint32_t maxFrames);
  // Starts audio on these devices; failures leave their text in lastError() and reach
  // the error report.
  void startAudio(const std::string& inputDeviceId, uint32_t inputChannels, bool useInput,
                  const std::string& outputDeviceId, uint32_t outputChannels, bool useOutput, int32_t sampleRate);
  void startAudioWithCurrentChoice();
  bool restartAudio(int32_t sampleRate);
  void quiesceAudio();
  void stopAudio();
  void applySettings();
  void pollAudioEvents();
  AudioChoice& audioChoice() { return choice_; }
  const std::string& lastError() const { return lastError_; }
  bool isActive() const { return active_; }
  bool isProcessing() const { return processing_; }
  bool audioRunsWithChannels() const;
  bool retryPending() const { return retryPending_; }
  int retryCount() const { return retryCount_; }
  const PortLayout& portLayout() const { return layout_; }
  void setInputMuted(bool muted) { inputMuted_.store(muted); }
  void setApplyingChoice(bool applying) { applyingChoice_ = applying; }

  // --- MIDI -----------------------------------------------------------------------
  MidiBackend* midiBackend() const { return midiBackend_.get(); }
  // The receive function of every MIDI input: filters and queues one message. Any thread.
  void receiveMidi(const uint8_t* bytes, std::size_t length);
  uint32_t droppedMidiMessages() const { return droppedMidi_.load(); }
  void startMidi();
  void stopMidi();
  void openMidiInputs(const std::vector<std::string>& ids, bool bindAll);
  void openMidiOutputs(const std::vector<std::string>& ids);
  std::string virtualPortName(bool input) const;
  // Reader side of the plugin's outgoing MIDI, for the MIDI output thread (and tests).
  MidiByteRing& midiOutputQueue() { return midiOut_; }
  void setMidiOutputEnabled(bool enabled) { midiOutputEnabled_.store(enabled); }

  // --- The audio callback -----------------------------------------------------------
  void onAudio(const float* const* inputs, uint32_t inputCount, float* const* outputs, uint32_t outputCount,
               uint32_t frames) override;

  // --- Clap::IHost --------------------------------------------------------------------
  void onStateMarkedDirty() override {}
  void requestRestart() override { restartRequested_.store(1); }
  void requestProcess() override { processRequested_.store(1); }
  void requestCallback() override { callbackRequested_.store(1); }
  void onPluginInitialized(Clap::Plugin*) override {}
  void describeAudioPorts(Clap::Plugin* plugin, const clap_plugin_audio_ports_t* audioPorts) override;
  void describeNotePorts(Clap::Plugin* plugin, const clap_plugin_note_ports_t* notePorts) override;
  void describeParameters(Clap::Plugin*, const clap_plugin_params_t*) override {}
  void onParamsRescan(clap_param_rescan_flags) override {}
  void onParamsClear(clap_id, clap_param_clear_flags) override {}
  void onParamsFlushRequest() override {}
  void onLatencyChanged() override {}
  void onTailChanged() override {}
  bool canGuiResize() override;
  bool requestGuiResize(uint32_t width, uint32_t height) override;
  bool requestGuiShow() override { return false; }
  bool requestGuiHide() override { return false; }
  bool registerTimer(uint32_t periodMs, clap_id* id) override;
  bool unregisterTimer(clap_id id) override;
  bool getTrackInfo(clap_track_info_t*) override { return false; }
  const char* hostName() const override { return "CLAP-Standalone-Host"; }
  const char* hostKind() const override { return "standalone"; }
  const char* hostDescription() const override { return "Windows Standalone Host"; }
  const void* standaloneFeatures() const override;
  void onPresetLoaded(uint32_t, const char*, const char*) override {}
  void onPresetLoadError(uint32_t, const char*, const char*, int32_t, const char*) override {}
  bool canPopupContextMenu() override { return false; }
  bool populateContextMenu(const clap_context_menu_target_t*, const clap_context_menu_builder_t*) override {
    return false;
  }
  bool performContextMenuAction(const clap_context_menu_target_t*, clap_id) override { return false; }
  bool offersContextMenu() override { return false; }
  bool popupContextMenu(const clap_context_menu_target_t*, int32_t, int32_t, int32_t) override { return false; }

  // Creation (see createStandalonePlugin).
  friend std::shared_ptr<Clap::Plugin> createStandalonePlugin(const clap_plugin_entry_t* entry,
                                                              std::string pluginId, uint32_t index, int argc,
                                                              const char* const* argv);

  // Strings the features table hands out live here until its next call (main thread).
  std::vector<std::string> featureStrings;

 private:
  explicit StandaloneHost(HostEnvironment environment);

  void startAudioUnreported(const std::string& inputDeviceId, uint32_t inputChannels, bool useInput,
                            const std::string& outputDeviceId, uint32_t outputChannels, bool useOutput,
                            int32_t sampleRate);
  void deactivatePlugin();
  void onBackendEvent(AudioBackendEvent event, const std::string& message);
  void watchHealth();
  void lockAudio();
  void unlockAudio() { audioLock_.store(false, std::memory_order_release); }
  void keepSessionState();
  uint32_t reactivationMaxFrames() const;
  void runMidiOutput();

  // Audio thread.
  void gatherMidiInput();
  static uint32_t eventCount(const clap_input_events_t* list);
  static const clap_event_header_t* eventAt(const clap_input_events_t* list, uint32_t index);
  static bool pushOutputEvent(const clap_output_events_t* list, const clap_event_header_t* event);

  HostEnvironment environment_;                  // fixed at construction
  struct Timer {
    clap_id id;
    int64_t periodNanos;
    int64_t due;
  };
  void fireTimers();
  std::vector<Timer> timers_;                    // main thread
  clap_id nextTimerId_ = 1;                      // main thread
  std::shared_ptr<Clap::Plugin> plugin_;         // main thread
  const clap_plugin_entry_t* entry_ = nullptr;   // main thread

  // Settings (main thread).
  StandaloneSettings settings_;
  std::optional<std::filesystem::path> settingsDirectory_;
  int32_t defaultPersistence_ = kPersistSession;
  int32_t appearance_ = kAppearanceAuto;
  bool appearanceSetByWindow_ = false;
  bool tryingChoices_ = false;

  // Requests from the plugin, any thread sets, the main thread takes.
  std::atomic<uint8_t> restartRequested_{0};
  std::atomic<uint8_t> processRequested_{0};
  std::atomic<uint8_t> callbackRequested_{0};

  // Backends (main thread; the audio layer's threads call back into onAudio and onBackendEvent).
  std::unique_ptr<AudioBackend> audioBackend_;
  std::unique_ptr<MidiBackend> midiBackend_;

  // Audio state. The layout and choice are main thread; the flags are shared with the callback.
  PortLayout layout_;                       // main thread writes at creation; read by every thread after
  AudioChoice choice_;                      // main thread
  bool active_ = false;                     // main thread
  bool processing_ = false;                 // main thread
  bool applyingChoice_ = false;             // main thread
  std::atomic<bool> audioLock_{false};      // main and audio thread: held around each callback
  std::atomic<bool> callbackEnabled_{false};       // main writes under audioLock_, audio reads
  std::atomic<bool> callbackAcknowledged_{false};  // audio sets once it saw the callback disabled
  std::atomic<bool> inputMuted_{false};            // main writes, audio reads
  int64_t steadyTime_ = 0;                         // audio thread (and main while the callback is disabled)

  // The callback's fixed buffers, allocated once with the host (audio thread while enabled).
  std::unique_ptr<float[]> pool_;
  std::array<float*, kMaxPluginChannels> poolChannels_{};
  std::array<clap_audio_buffer_t, kMaxPluginPorts> audioBuffers_{};
  struct alignas(8) EventSlot {
    uint8_t bytes[kEventSlotBytes];
  };
  std::unique_ptr<EventSlot[]> eventSlots_;
  uint32_t eventsQueued_ = 0;
  std::unique_ptr<uint8_t[]> sysex_;
  clap_input_events_t inputEvents_{};
  clap_output_events_t outputEvents_{};

  // MIDI between the MIDI threads and the callback.
  MidiByteRing midiIn_;                        // MIDI threads write (under midiInLock_), audio reads
  std::atomic<bool> midiInLock_{false};        // MIDI threads: one writer at a time
  std::atomic<uint32_t> droppedMidi_{0};       // MIDI threads count what did not fit
  MidiByteRing midiOut_;                       // audio writes, the MIDI output thread reads
  std::atomic<bool> midiOutputEnabled_{false}; // main writes, audio and output thread read
  std::vector<std::string> openMidiOutputIds_; // main thread
  std::thread midiOutputThread_;               // main thread starts and joins

  // Recovery (main thread, except the pending message and flags the audio layer sets).
  std::string lastError_;
  std::mutex pendingLock_;                      // guards pendingMessage_
  std::string pendingMessage_;                  // audio layer's threads write
  std::atomic<uint8_t> streamLost_{0};
  std::atomic<uint8_t> streamFailed_{0};
  std::atomic<uint8_t> defaultDeviceChanged_{0};
  std::atomic<uint8_t> deviceListChanged_{0};
  bool retryPending_ = false;
  int retryCount_ = 0;
  int64_t nextRetry_ = 0;                        // steady nanoseconds
  std::atomic<int> restartsInProgress_{0};

  // Health watch (main thread).
  std::optional<int64_t> healthySince_;
  bool healthReported_ = false;
  bool lastHealthy_ = false;
};

// The create-plugin steps: the entry's init and factory, the host, the settings
// directory and file, the plugin with its ports, and the start-up state files. Null
// when the entry has no factory, the id names no plugin or the plugin's init fails.
std::shared_ptr<Clap::Plugin> createStandalonePlugin(const clap_plugin_entry_t* entry, std::string pluginId,
                                                     uint32_t index, int argc, const char* const* argv);

}  // namespace strobe95::standalone
