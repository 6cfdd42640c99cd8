// The host as the plugin sees it, created through the program's own entry: the
// create-plugin steps, every host callback, the start-up and shutdown state files.
#include <thread>

#include "DebugOutput.h"
#include "HostFixture.h"
#include "StandaloneExtensions.h"

namespace strobe95::standalone::test {
namespace {

template <typename T>
const T* hostTable(const Clap::Plugin& plugin, const char* id) {
  return static_cast<const T*>(plugin.host()->get_extension(plugin.host(), id));
}

class DebugCapture {
 public:
  DebugCapture() {
    previous_ = setDebugSink([this](std::string_view text) { lines.append(text); });
  }
  ~DebugCapture() { setDebugSink(previous_); }
  std::string lines;

 private:
  DebugSink previous_;
};

using HostCreation = HostFixture;

TEST_F(HostCreation, CreatesThePluginThroughItsOwnEntry) {
  const auto plugin = create();
  ASSERT_NE(plugin, nullptr);
  ASSERT_NE(plugin->plugin(), nullptr);
  EXPECT_STREQ(plugin->plugin()->desc->id, kPluginId);
  const auto& e = plugin->extensions();
  EXPECT_NE(e.state, nullptr);
  EXPECT_NE(e.params, nullptr);
  EXPECT_NE(e.audioPorts, nullptr);
  EXPECT_NE(e.notePorts, nullptr);
  EXPECT_NE(e.gui, nullptr) << "the faceplate supports this platform's window API";
  EXPECT_EQ(e.latency, nullptr);
  EXPECT_EQ(e.contextMenu, nullptr);

  const PortLayout& layout = host().portLayout();
  EXPECT_EQ(layout.inputPorts, 0u);
  EXPECT_EQ(layout.outputPorts, 1u);
  EXPECT_EQ(layout.outputChannels, 2u);
  EXPECT_EQ(layout.mainOutput, 0);
  EXPECT_EQ(layout.mainInput, -1);
  EXPECT_TRUE(layout.acceptsMidi);
  EXPECT_TRUE(layout.acceptsClapNotes);
  EXPECT_FALSE(layout.hasMidiOutput);
}

TEST_F(HostCreation, AnEmptyIdTakesThePluginAtTheIndex) {
  const auto plugin = create(&clap_entry, "");
  ASSERT_NE(plugin, nullptr);
  EXPECT_STREQ(plugin->plugin()->desc->id, kPluginId);
}

TEST_F(HostCreation, TheHostTableIdentifiesTheStandalone) {
  const auto plugin = create();
  const clap_host_t* h = plugin->host();
  EXPECT_STREQ(h->name, "CLAP-Standalone-Host");
  EXPECT_STREQ(h->version, "0.17.0");
  EXPECT_EQ(h->clap_version.major, 1u);
  EXPECT_EQ(h->clap_version.minor, 2u);
  EXPECT_EQ(h->clap_version.revision, 10u);
  EXPECT_EQ(h->host_data, plugin.get());
  const auto* info = hostTable<standalone_host_information_t>(*plugin, kHostInformationExtension);
  ASSERT_NE(info, nullptr);
  EXPECT_STREQ(info->kind(h), "standalone");
  EXPECT_STREQ(info->description(h), "Windows Standalone Host");
}

TEST_F(HostCreation, OffersExactlyItsExtensions) {
  const auto plugin = create();
  for (const char* id : {"clap.log", "clap.params", "clap.track-info/1", "clap.thread-check", "clap.gui",
                         "clap.timer-support", "clap.latency", "clap.tail", "clap.state", "clap.context-menu/1",
                         "clap.preset-load/2", "clap.preset-load.draft/2", "standalone-host.host-information/0",
                         "standalone-host.standalone-features.draft/5"}) {
    EXPECT_NE(plugin->host()->get_extension(plugin->host(), id), nullptr) << id;
  }
  for (const char* id : {"clap.audio-ports", "clap.note-ports", "CLAP.LOG", "clap.log ", "", "clap.render"}) {
    EXPECT_EQ(plugin->host()->get_extension(plugin->host(), id), nullptr) << id;
  }
  EXPECT_EQ(plugin->host()->get_extension(plugin->host(), nullptr), nullptr);
}

TEST_F(HostCreation, LogLinesCarryTheirSeverity) {
  const auto plugin = create();
  const auto* log = hostTable<clap_host_log_t>(*plugin, "clap.log");
  const std::pair<int32_t, const char*> cases[] = {
      {0, "PLUGIN: DEBUG: m\n"},   {1, "PLUGIN: INFO: m\n"},  {2, "PLUGIN: WARNING: m\n"},
      {3, "PLUGIN: ERROR: m\n"},   {4, "PLUGIN: FATAL: m\n"}, {5, "PLUGIN: HOST MISBEHAVING: m\n"},
      {6, "PLUGIN: MISBEHAVING: m\n"}, {7, "m\n"},            {-1, "m\n"}};
  for (const auto& [severity, line] : cases) {
    DebugCapture capture;
    log->log(plugin->host(), severity, "m");
    EXPECT_EQ(capture.lines, line) << severity;
  }
  DebugCapture capture;
  log->log(plugin->host(), 1, nullptr);
  EXPECT_EQ(capture.lines, "PLUGIN: INFO: \n") << "a null message is an empty one";
}

TEST_F(HostCreation, ThreadCheckFollowsTheCreatingThreadAndTheOverrides) {
  const auto plugin = create();
  const auto* check = hostTable<clap_host_thread_check_t>(*plugin, "clap.thread-check");
  const clap_host_t* h = plugin->host();
  EXPECT_TRUE(check->is_main_thread(h));
  EXPECT_FALSE(check->is_audio_thread(h));
  {
    Clap::AudioThreadOverride audioThread;
    EXPECT_TRUE(check->is_audio_thread(h)) << "start_processing runs on the main thread as the audio thread";
    EXPECT_TRUE(check->is_main_thread(h));
  }
  EXPECT_FALSE(check->is_audio_thread(h));
  bool otherMain = true, otherAudio = false, overriddenMain = false;
  std::thread([&] {
    otherMain = check->is_main_thread(h);
    otherAudio = check->is_audio_thread(h);
    Clap::MainThreadOverride main;
    overriddenMain = check->is_main_thread(h);
  }).join();
  EXPECT_FALSE(otherMain);
  EXPECT_TRUE(otherAudio);
  EXPECT_TRUE(overriddenMain);
}

TEST_F(HostCreation, CallbackTablesGiveTheirFixedAnswers) {
  const auto plugin = create();
  const clap_host_t* h = plugin->host();
  const auto* gui = hostTable<clap_host_gui_t>(*plugin, "clap.gui");
  EXPECT_FALSE(gui->request_resize(h, 400, 300)) << "no window answers yet";
  uint32_t asked = 0;
  host().callbacks.guiResize = [&](uint32_t w, uint32_t hgt) {
    asked = w * hgt;
    return true;
  };
  EXPECT_TRUE(gui->request_resize(h, 400, 300));
  EXPECT_EQ(asked, 120000u);
  EXPECT_FALSE(gui->request_show(h));
  EXPECT_FALSE(gui->request_hide(h));
  gui->resize_hints_changed(h);
  gui->closed(h, true);

  const auto* timers = hostTable<clap_host_timer_support_t>(*plugin, "clap.timer-support");
  clap_id timer = 0;
  EXPECT_FALSE(timers->register_timer(h, 33, &timer));
  EXPECT_FALSE(timers->unregister_timer(h, 0));
  EXPECT_FALSE(hostTable<clap_host_track_info_t>(*plugin, "clap.track-info/1")->get(h, nullptr));
  const auto* menu = hostTable<clap_host_context_menu_t>(*plugin, "clap.context-menu/1");
  EXPECT_TRUE(menu->populate(h, nullptr, nullptr));
  EXPECT_FALSE(menu->perform(h, nullptr, 1));
  EXPECT_FALSE(menu->can_popup(h));
  EXPECT_FALSE(menu->popup(h, nullptr, 0, 0, 0));

  const auto* features = hostTable<standalone_host_features_t>(*plugin, kStandaloneFeaturesExtension);
  EXPECT_FALSE(features->has_settings_window(h));
  host().callbacks.showSettingsWindow = [] { return true; };
  EXPECT_TRUE(features->show_settings_window(h));
  midi->inputs = {{"Keys#1", "Keys", "Keys 0", 0}};
  ASSERT_EQ(features->midi_input_count(h), 1u);
  standalone_host_record_t record{};
  ASSERT_TRUE(features->midi_input(h, 0, &record));
  EXPECT_STREQ(record.id, "Keys#1");
  EXPECT_FALSE(features->midi_input(h, 1, &record));
}

TEST_F(HostCreation, RequestsRaiseFlagsTheServiceAnswers) {
  const auto plugin = create();
  const clap_host_t* h = plugin->host();
  // The plugin asks from its audio thread; the answer comes on the main thread.
  std::thread([h] { h->request_callback(h); }).join();
  host().mainThreadService();  // on_main_thread does nothing in this plugin, but must be safe

  h->request_restart(h);
  host().mainThreadService();
  EXPECT_FALSE(host().isActive()) << "a restart without audio is dropped";

  h->request_process(h);
  host().mainThreadService();
  EXPECT_FALSE(host().isActive()) << "no rate is known before audio ran";
}

// --- Entries that fail: test doubles around the real entry, which cannot fail. ------------

const void* noFactory(const char*) { return nullptr; }
const clap_plugin_entry_t kEntryWithoutFactory = {{1, 2, 10}, clap_entry.init, clap_entry.deinit, noFactory};

clap_plugin_t gRefusingPlugin;
bool refuseInit(const clap_plugin_t*) { return false; }
std::atomic<int> gDestroyed{0};
void destroyRefused(const clap_plugin_t*) { ++gDestroyed; }
const clap_plugin_t* createRefusing(const clap_plugin_factory_t*, const clap_host_t* host, const char* id) {
  const auto* factory = static_cast<const clap_plugin_factory_t*>(clap_entry.get_factory(CLAP_PLUGIN_FACTORY_ID));
  const clap_plugin_t* real = factory->create_plugin(factory, host, id);
  if (!real) return nullptr;
  real->destroy(real);  // the double needs only the shape; the real one goes at once
  gRefusingPlugin = {};
  gRefusingPlugin.init = refuseInit;
  gRefusingPlugin.destroy = destroyRefused;
  return &gRefusingPlugin;
}
uint32_t oneCount(const clap_plugin_factory_t*) { return 1; }
const clap_plugin_descriptor_t* noDescriptor(const clap_plugin_factory_t*, uint32_t) { return nullptr; }
const clap_plugin_factory_t kRefusingFactory = {oneCount, noDescriptor, createRefusing};
const void* refusingFactory(const char* id) {
  return std::string_view(id) == CLAP_PLUGIN_FACTORY_ID ? &kRefusingFactory : nullptr;
}
const clap_plugin_entry_t kEntryWhosePluginRefusesInit = {{1, 2, 10}, clap_entry.init, clap_entry.deinit,
                                                          refusingFactory};

TEST_F(HostCreation, NoPluginWithoutFactoryForeignIdOrFailedInit) {
  EXPECT_EQ(create(&kEntryWithoutFactory), nullptr);
  EXPECT_EQ(create(&clap_entry, "co.glowhaus.other"), nullptr);
  gDestroyed = 0;
  EXPECT_EQ(create(&kEntryWhosePluginRefusesInit), nullptr);
  EXPECT_EQ(gDestroyed.load(), 1) << "a plugin whose init failed is destroyed";
}

// --- Start-up and shutdown state files ---------------------------------------------------

TEST_F(HostCreation, TheFirstStartWritesTheDefaultsState) {
  const auto plugin = create();
  const std::string defaults = readFile(settingsDirectory() / "defaults.clapstate");
  EXPECT_EQ(defaults.rfind("STROBE-95 0.5.1\n", 0), 0u) << defaults.substr(0, 40);
  EXPECT_FALSE(fs::exists(settingsDirectory() / "standalone-settings.conf")) << "the window writes it, not creation";
}

std::string savedState(const Clap::Plugin& plugin) {
  std::string text;
  clap_ostream_t stream{&text, [](const clap_ostream_t* s, const void* b, uint64_t n) -> int64_t {
                          static_cast<std::string*>(s->ctx)->append(static_cast<const char*>(b), n);
                          return int64_t(n);
                        }};
  plugin.extensions().state->save(plugin.plugin(), &stream);
  return text;
}

std::string stateWithCutoff(const std::string& state, const char* value) {
  const std::size_t at = state.find("\ncutoff ");
  const std::size_t end = state.find('\n', at + 1);
  return state.substr(0, at) + "\ncutoff " + value + state.substr(end);
}

TEST_F(HostCreation, TheLastSessionIsKeptAndRestored) {
  std::string changed;
  {
    const auto plugin = create();
    changed = stateWithCutoff(savedState(*plugin), "1234");
    writeFile(base / "changed.clapstate", changed);
    ASSERT_TRUE(host().loadState(base, "changed.clapstate"));
    StandaloneHost::shutdown();
  }
  EXPECT_EQ(readFile(settingsDirectory() / "settings.clapstate"), changed);
  const auto plugin = create();
  EXPECT_EQ(savedState(*plugin), changed) << "the next start loads the last session";
  EXPECT_NE(readFile(settingsDirectory() / "defaults.clapstate"), changed)
      << "the defaults are the plugin's own, saved before the session is loaded";
}

TEST_F(HostCreation, WithoutSessionPersistenceTheOldSessionIsNeitherLoadedNorReplaced) {
  fs::create_directories(settingsDirectory());
  writeFile(settingsDirectory() / "standalone-settings.conf", "pluginStatePersistence=none\n");
  const std::string old = "STROBE-95 0.5.1\npreset Old\nedited 1\ncutoff 999\n";
  writeFile(settingsDirectory() / "settings.clapstate", old);
  const auto plugin = create();
  EXPECT_EQ(savedState(*plugin).find("preset Old"), std::string::npos);
  StandaloneHost::shutdown();
  EXPECT_EQ(readFile(settingsDirectory() / "settings.clapstate"), old);
}

TEST_F(HostCreation, ASessionThePluginCannotTakeWholeIsKeptAsideBeforeItIsSavedOver) {
  using namespace std::string_literals;  // the random bytes hold a NUL
  std::string own;
  {
    const auto plugin = create();
    own = stateWithCutoff(savedState(*plugin), "1234");
    StandaloneHost::shutdown();
  }
  struct Case {
    const char* what;
    std::string bytes;
    bool keptAside;
  };
  const Case cases[] = {
      {"random bytes", "\x8f\x00\xffSTROBE\x01\x02 not a state\n"s, true},
      {"a foreign product's header", "OTHER-SYNTH 9.9\ncutoff 5\n", true},
      {"the plugin's own state: it comes back unchanged, nothing to keep", own, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::error_code ignored;
    fs::remove(settingsDirectory() / "settings.clapstate.kept", ignored);
    writeFile(settingsDirectory() / "settings.clapstate", c.bytes);
    const auto plugin = create();
    ASSERT_NE(plugin, nullptr) << "a broken session never stops the start";
    StandaloneHost::shutdown();
    EXPECT_EQ(fs::exists(settingsDirectory() / "settings.clapstate.kept"), c.keptAside);
    if (c.keptAside) {
      EXPECT_EQ(readFile(settingsDirectory() / "settings.clapstate.kept"), c.bytes)
          << "the user's bytes survive the shutdown's save";
    }
  }
}

const void* noneByDefault(const char* id);
uint32_t settingsFactoryVersion(const standalone_settings_factory_t*) { return 1; }
uint32_t persistenceNone(const standalone_settings_factory_t*) { return 1; }
const standalone_settings_factory_t kSettingsFactory = {settingsFactoryVersion, persistenceNone};
const void* noneByDefault(const char* id) {
  if (std::string_view(id) == kStandaloneSettingsFactory) return &kSettingsFactory;
  return clap_entry.get_factory(id);
}
const clap_plugin_entry_t kEntryPreferringNoSession = {{1, 2, 10}, clap_entry.init, clap_entry.deinit, noneByDefault};

TEST_F(HostCreation, TheEntryMayChooseTheDefaultPersistence) {
  const auto plugin = create(&kEntryPreferringNoSession);
  ASSERT_NE(plugin, nullptr);
  EXPECT_EQ(host().pluginStatePersistence(), kPersistNone);
  StandaloneHost::shutdown();
  EXPECT_FALSE(fs::exists(settingsDirectory() / "settings.clapstate"));
}

TEST_F(HostCreation, WithoutADataFolderNothingIsReadOrWritten) {
  appData.reset();
  const auto plugin = create();
  ASSERT_NE(plugin, nullptr);
  EXPECT_FALSE(host().settingsDirectory().has_value());
  EXPECT_FALSE(host().saveSettings());
  EXPECT_FALSE(host().setPluginStatePersistence(kPersistNone)) << "cannot be toggled without a folder";
  StandaloneHost::shutdown();
  EXPECT_TRUE(fs::is_empty(base));
}

TEST_F(HostCreation, AnUnwritableDataFolderStillGivesAPlugin) {
  // /proc refuses new files even to root, which ignores permission bits.
  appData = fs::path("/proc/self");
  DebugCapture capture;
  const auto plugin = create();
  ASSERT_NE(plugin, nullptr);
  EXPECT_FALSE(host().settingsDirectory().has_value());
  EXPECT_NE(capture.lines.find("create_directory"), std::string::npos) << capture.lines;
  StandaloneHost::shutdown();
}

TEST_F(HostCreation, AnUnwritableSettingsFolderLogsAndShutsDownCleanly) {
  const auto plugin = create();
  host().setSettingsDirectory(fs::path("/proc/self/strobe95"));
  EXPECT_THROW(host().saveSettings(), fs::filesystem_error);
  try {
    host().saveSettings();
  } catch (const fs::filesystem_error& error) {
    EXPECT_NE(std::string(error.what()).find("create_directories"), std::string::npos) << error.what();
  }
  DebugCapture capture;
  StandaloneHost::shutdown();
  EXPECT_NE(capture.lines.find("Unable to keep the session"), std::string::npos) << capture.lines;
  EXPECT_EQ(StandaloneHost::existing(), nullptr) << "the rest of the shutdown ran";
}

TEST_F(HostCreation, ShutdownDestroysThePluginBeforeDeinitWhoeverHoldsIt) {
  const auto plugin = create();
  StandaloneHost::shutdown();
  EXPECT_EQ(plugin->plugin(), nullptr);
}

}  // namespace
}  // namespace strobe95::standalone::test
