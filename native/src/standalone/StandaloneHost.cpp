#include "StandaloneHost.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <stdexcept>
#include <system_error>

#include "AtomicFile.h"
#include "DebugOutput.h"
#include "SettingsLocation.h"
#include "SettingsText.h"
#ifdef _WIN32
#include "WasapiBackend.h"
#include "WinMmMidiBackend.h"
#endif

namespace strobe95::standalone {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxSettingsBytes = 1u << 20;  // far beyond any real settings file

std::unique_ptr<StandaloneHost> gInstance;     // main thread
std::optional<HostEnvironment> gEnvironment;   // main thread; used by the next instance()
const clap_plugin_entry_t* gEntry = nullptr;   // main thread; the entry the plugin came from

// The session file is saved over at shutdown; one the plugin could not take whole (from
// a newer version, say, or damaged) is copied aside first, so the user's bytes survive.
void keepSessionAside(const fs::path& directory) {
  std::error_code error;
  fs::copy_file(directory / kSessionStateFile, directory / kKeptSessionStateFile,
                fs::copy_options::overwrite_existing, error);
  if (error) writeDebugOutput("Unable to keep the last session aside: " + error.message() + "\n");
}

std::string stateBytes(const Clap::Plugin& plugin) {
  std::string bytes;
  const clap_ostream_t stream{&bytes, [](const clap_ostream_t* s, const void* buffer, uint64_t size) -> int64_t {
                                static_cast<std::string*>(s->ctx)->append(static_cast<const char*>(buffer), size);
                                return int64_t(size);
                              }};
  if (plugin.extensions().state) plugin.extensions().state->save(plugin.plugin(), &stream);
  return bytes;
}

void createDirectories(const fs::path& directory) {
  std::error_code error;
  fs::create_directories(directory, error);
  if (error) throw fs::filesystem_error("create_directories", directory, error);
}

}  // namespace

HostEnvironment platformEnvironment() {
  HostEnvironment environment;
#ifdef _WIN32
  environment.audioApis = audioApis();
  environment.createMidiBackend = makeWinMmMidiBackend;
#endif
  environment.localAppData = localAppDataFolder;
  environment.steadyNanos = [] {
    return int64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(
                       std::chrono::steady_clock::now().time_since_epoch())
                       .count());
  };
  return environment;
}

StandaloneHost& StandaloneHost::instance() {
  if (!gInstance) {
    HostEnvironment environment = gEnvironment ? *gEnvironment : platformEnvironment();
    if (!environment.steadyNanos) environment.steadyNanos = platformEnvironment().steadyNanos;
    gInstance.reset(new StandaloneHost(std::move(environment)));
  }
  return *gInstance;
}

StandaloneHost* StandaloneHost::existing() { return gInstance.get(); }

void StandaloneHost::setEnvironment(HostEnvironment environment) { gEnvironment = std::move(environment); }

void StandaloneHost::destroyInstance() { gInstance.reset(); }

StandaloneHost::StandaloneHost(HostEnvironment environment)
    : environment_(std::move(environment)),
      pool_(new float[std::size_t(kMaxPluginChannels) * kPoolSamples]),
      eventSlots_(new EventSlot[kEventSlots]),
      sysex_(new uint8_t[kSysexBytes]) {
  for (uint32_t c = 0; c < kMaxPluginChannels; ++c) poolChannels_[c] = pool_.get() + std::size_t(c) * kPoolSamples;
  inputEvents_ = {this, eventCount, eventAt};
  outputEvents_ = {this, pushOutputEvent};
  if (environment_.createMidiBackend) midiBackend_ = environment_.createMidiBackend();
}

StandaloneHost::~StandaloneHost() {
  stopMidi();
  if (audioBackend_) {
    quiesceAudio();
    audioBackend_->closeStream();
  }
  if (plugin_) {
    deactivatePlugin();
    plugin_->destroy();
  }
  audioBackend_.reset();
  midiBackend_.reset();
}

// --- Creation -----------------------------------------------------------------------

std::shared_ptr<Clap::Plugin> createStandalonePlugin(const clap_plugin_entry_t* entry, std::string pluginId,
                                                     uint32_t index, int argc, const char* const* argv) {
  if (!entry) return nullptr;
  gEntry = entry;
  entry->init(argc > 0 && argv && argv[0] ? argv[0] : "");
  const auto* factory = static_cast<const clap_plugin_factory_t*>(entry->get_factory(CLAP_PLUGIN_FACTORY_ID));
  if (!factory) return nullptr;
  StandaloneHost& host = StandaloneHost::instance();
  host.entry_ = entry;

  if (pluginId.empty() && index < factory->get_plugin_count(factory)) {
    const clap_plugin_descriptor_t* descriptor = factory->get_plugin_descriptor(factory, index);
    if (descriptor && descriptor->id) pluginId = descriptor->id;
  }

  host.defaultPersistence_ = kPersistSession;
  if (const auto* settingsFactory =
          static_cast<const standalone_settings_factory_t*>(entry->get_factory(kStandaloneSettingsFactory))) {
    const uint32_t persistence = settingsFactory->default_state_persistence(settingsFactory);
    if (persistence < 2) host.defaultPersistence_ = int32_t(persistence);
  }
  host.settingsDirectory_.reset();
  if (auto base = host.environment_.localAppData ? host.environment_.localAppData() : std::nullopt) {
    try {
      host.settingsDirectory_ = settingsDirectoryUnder(*base, pluginId);
    } catch (const std::exception& error) {
      // Without its folder the standalone still plays; it only keeps no files.
      writeDebugOutput(std::string("No settings folder: ") + error.what() + "\n");
    }
  }
  host.loadSettings();

  if (pluginId.empty()) return nullptr;
  auto plugin = std::make_shared<Clap::Plugin>(&host);
  if (!plugin->create(factory, pluginId)) return nullptr;
  host.plugin_ = plugin;
  host.onPluginInitialized(plugin.get());
  if (plugin->extensions().audioPorts) host.describeAudioPorts(plugin.get(), plugin->extensions().audioPorts);
  if (plugin->extensions().notePorts) host.describeNotePorts(plugin.get(), plugin->extensions().notePorts);

  if (host.settingsDirectory_) {
    const fs::path directory = *host.settingsDirectory_;
    try {
      createDirectories(directory);
      host.saveState(directory, kDefaultsStateFile);
    } catch (const std::exception& error) {
      writeDebugOutput(std::string("Unable to keep the defaults state: ") + error.what() + "\n");
    }
    std::error_code missing;
    if (host.pluginStatePersistence() == kPersistSession && fs::exists(directory / kSessionStateFile, missing)) {
      try {
        host.loadState(directory, kSessionStateFile);
        // The plugin takes what it can from any bytes; a file it does not give back
        // unchanged was not wholly its own.
        const auto bytes = readFileBounded(directory / kSessionStateFile, kMaxSettingsBytes);
        if (bytes && *bytes != stateBytes(*plugin)) keepSessionAside(directory);
      } catch (const std::exception& error) {
        // The plugin runs from its own defaults; a broken file must not stop the program.
        writeDebugOutput(std::string("Unable to restore the last session: ") + error.what() + "\n");
        keepSessionAside(directory);
      }
    }
  }
  return plugin;
}

void StandaloneHost::describeAudioPorts(Clap::Plugin* plugin, const clap_plugin_audio_ports_t* audioPorts) {
  standalone::describeAudioPorts(layout_, plugin->plugin(), audioPorts);
}

void StandaloneHost::describeNotePorts(Clap::Plugin* plugin, const clap_plugin_note_ports_t* notePorts) {
  standalone::describeNotePorts(layout_, plugin->plugin(), notePorts);
}

// --- Shutdown -----------------------------------------------------------------------

void StandaloneHost::keepSessionState() {
  if (pluginStatePersistence() != kPersistSession || !settingsDirectory_) return;
  try {
    createDirectories(*settingsDirectory_);
    saveState(*settingsDirectory_, kSessionStateFile);
  } catch (const std::exception& error) {
    // The rest of the shutdown must still run: audio stops, the plugin is destroyed.
    writeDebugOutput(std::string("Unable to keep the session: ") + error.what() + "\n");
  }
}

void StandaloneHost::shutdown() {
  StandaloneHost* host = existing();
  if (!host) return;
  host->quiesceAudio();
  host->stopMidi();
  host->keepSessionState();
  host->stopAudio();
  // Destroyed here, before the entry's deinit, whoever else still holds the wrapper.
  if (host->plugin_) host->plugin_->destroy();
  host->plugin_.reset();
  const clap_plugin_entry_t* entry = host->entry_ ? host->entry_ : gEntry;
  destroyInstance();
  if (entry) entry->deinit();
  gEntry = nullptr;
}

// --- Main-thread service -----------------------------------------------------------

void StandaloneHost::mainThreadService() {
  const clap_plugin_t* p = plugin_ ? plugin_->plugin() : nullptr;
  if (callbackRequested_.exchange(0) && p) p->on_main_thread(p);
  if (restartRequested_.exchange(0) && active_ && p) {
    activatePlugin(choice_.sampleRate, 1, reactivationMaxFrames());
  }
  pollAudioEvents();
  watchHealth();
  if (deviceListChanged_.exchange(0) && !applyingChoice_ && !(audioBackend_ && audioBackend_->isStreamOpen())) {
    startAudioWithCurrentChoice();
    if (callbacks.settingsStatusChanged) callbacks.settingsStatusChanged();
  }
  if (processRequested_.exchange(0) && !active_ && choice_.sampleRate > 0 && p) {
    activatePlugin(choice_.sampleRate, 1, reactivationMaxFrames());
  }
  fireTimers();
}

bool StandaloneHost::registerTimer(uint32_t periodMs, clap_id* id) {
  if (!environment_.offersTimers || !id) return false;
  const int64_t period = int64_t(std::max<uint32_t>(periodMs, 1)) * 1'000'000;
  timers_.push_back({nextTimerId_++, period, environment_.steadyNanos() + period});
  *id = timers_.back().id;
  return true;
}

bool StandaloneHost::unregisterTimer(clap_id id) {
  const auto found = std::find_if(timers_.begin(), timers_.end(), [id](const Timer& t) { return t.id == id; });
  if (found == timers_.end()) return false;
  timers_.erase(found);
  return true;
}

// Each due timer fires once per service, however late it is; a timer the plugin drops
// while one fires is gone before it could fire.
void StandaloneHost::fireTimers() {
  const clap_plugin_t* p = plugin_ ? plugin_->plugin() : nullptr;
  const auto* support = plugin_ ? plugin_->extensions().timerSupport : nullptr;
  if (!p || !support || timers_.empty()) return;
  const int64_t now = environment_.steadyNanos();
  std::vector<clap_id> due;
  for (Timer& timer : timers_) {
    if (now < timer.due) continue;
    timer.due = now + timer.periodNanos;
    due.push_back(timer.id);
  }
  for (clap_id id : due) {
    if (std::any_of(timers_.begin(), timers_.end(), [id](const Timer& t) { return t.id == id; })) {
      support->on_timer(p, id);
    }
  }
}

uint32_t StandaloneHost::reactivationMaxFrames() const {
  const uint32_t periods = std::max<uint32_t>(1, 2 * choice_.bufferSize);
  // A stream left open keeps delivering its own largest block, which may exceed two
  // periods; the plugin must never be handed more frames than it was activated for.
  const bool streamOpen = audioBackend_ && audioBackend_->isStreamOpen();
  return streamOpen && plugin_ ? std::max(periods, plugin_->maxFrames) : periods;
}

void StandaloneHost::watchHealth() {
  constexpr int64_t kHealthyNanos = 3'000'000'000;
  const bool healthy = audioRunsWithChannels();
  if (healthy) {
    const int64_t now = environment_.steadyNanos();
    if (!healthySince_) {
      healthySince_ = now;
    } else if (!healthReported_ && now - *healthySince_ >= kHealthyNanos) {
      healthReported_ = true;
      if (callbacks.audioHealthy) callbacks.audioHealthy();
    }
  } else {
    healthySince_.reset();
    healthReported_ = false;
  }
  if (healthy != lastHealthy_) {
    lastHealthy_ = healthy;
    if (callbacks.settingsStatusChanged) callbacks.settingsStatusChanged();
  }
}

// --- Settings -----------------------------------------------------------------------

void StandaloneHost::setSettingsDirectory(std::optional<fs::path> directory) {
  settingsDirectory_ = std::move(directory);
}

bool StandaloneHost::loadSettings() {
  if (!settingsDirectory_) return false;
  bool truncated = false;
  auto text = readFileBounded(*settingsDirectory_ / kSettingsFileName, kMaxSettingsBytes, &truncated);
  if (!text) return false;
  if (truncated) text->erase(text->rfind('\n') == std::string::npos ? 0 : text->rfind('\n') + 1);
  settings_ = parseSettings(*text);
  if (settings_.screenAppearance < 3 && !appearanceSetByWindow_) {
    appearance_ = settings_.screenAppearance;
    if (callbacks.appearanceChanged) callbacks.appearanceChanged();
  }
  return true;
}

bool StandaloneHost::saveSettings() {
  if (!settingsDirectory_) return false;
  if (audioBackend_ && !tryingChoices_) {
    settings_.audioApiName = choice_.apiName;
    settings_.bufferSize = choice_.bufferSize;
  }
  createDirectories(*settingsDirectory_);
  try {
    writeFileAtomically(*settingsDirectory_ / kSettingsFileName, formatSettings(settings_));
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

int32_t StandaloneHost::pluginStatePersistence() const {
  return settings_.pluginStatePersistence.value_or(defaultPersistence_);
}

bool StandaloneHost::setPluginStatePersistence(int32_t value) {
  if (!settingsDirectory_ || value < 0 || value > kPersistNone) return false;
  settings_.pluginStatePersistence = value;
  return saveSettings();
}

bool StandaloneHost::setScreenAppearance(int32_t value, bool fromWindow) {
  if (value < 0 || value > kAppearanceDark) return false;
  appearance_ = value;
  if (fromWindow) appearanceSetByWindow_ = true;
  if (callbacks.appearanceChanged) callbacks.appearanceChanged();
  return true;
}

// --- State files --------------------------------------------------------------------

namespace {

struct OutputStream {
  std::ostream* out;
  static int64_t write(const clap_ostream_t* stream, const void* buffer, uint64_t size) {
    auto& self = *static_cast<OutputStream*>(stream->ctx);
    self.out->write(static_cast<const char*>(buffer), std::streamsize(size));
    return *self.out ? int64_t(size) : -1;
  }
};

struct InputStream {
  std::ifstream* in;
  static int64_t read(const clap_istream_t* stream, void* buffer, uint64_t size) {
    auto& self = *static_cast<InputStream*>(stream->ctx);
    if (self.in->bad() || (self.in->fail() && !self.in->eof())) return -1;
    if (self.in->eof()) return 0;
    self.in->read(static_cast<char*>(buffer), std::streamsize(size));
    if (self.in->bad()) return -1;
    return int64_t(self.in->gcount());
  }
};

}  // namespace

bool StandaloneHost::saveState(const fs::path& folder, const fs::path& fileName) {
  if (!plugin_ || !plugin_->plugin() || !plugin_->extensions().state) return false;
  const clap_plugin_t* p = plugin_->plugin();
  const auto* state = plugin_->extensions().state;
  const fs::path path = folder / fileName;
  const bool saved = writeFileAtomically(path, [&](std::ostream& out) {
    OutputStream context{&out};
    const clap_ostream_t stream{&context, OutputStream::write};
    const bool ok = state->save(p, &stream);
    if (!out) throw std::ios_base::failure(streamFailureText(out.rdstate()));
    return ok;
  });
  // The file stays as it was rather than holding half a state.
  if (!saved) throw std::runtime_error("the plugin could not save its state");
  return true;
}

bool StandaloneHost::loadState(const fs::path& folder, const fs::path& fileName) {
  if (!plugin_ || !plugin_->plugin() || !plugin_->extensions().state) return false;
  const fs::path path = folder / fileName;
  errno = 0;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw fs::filesystem_error("cannot open the file", path, std::error_code(errno ? errno : EIO, std::generic_category()));
  }
  InputStream context{&in};
  const clap_istream_t stream{&context, InputStream::read};
  const bool loaded = plugin_->extensions().state->load(plugin_->plugin(), &stream);
  if (in.bad()) throw std::ios_base::failure(streamFailureText(in.rdstate()));
  if (!loaded) throw std::runtime_error("the plugin could not use the state in " + path.filename().string());
  return true;
}

// --- Host callbacks the windows answer ------------------------------------------------

bool StandaloneHost::canGuiResize() {
  if (!plugin_ || !plugin_->plugin() || !plugin_->extensions().gui) return false;
  return plugin_->extensions().gui->can_resize(plugin_->plugin());
}

bool StandaloneHost::requestGuiResize(uint32_t width, uint32_t height) {
  return callbacks.guiResize ? callbacks.guiResize(width, height) : false;
}

}  // namespace strobe95::standalone
