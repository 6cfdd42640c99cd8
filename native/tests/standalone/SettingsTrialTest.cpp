// The settings dialog's form and trial, as both programs' dialogs drive them: a choice
// runs at once, OK keeps what runs, Cancel and a failed choice go back to what was.
#include <algorithm>

#include "HostFixture.h"
#include "SettingsForm.h"
#include "SettingsTrial.h"

namespace strobe95::standalone::test {
namespace {

int rowOf(const FormList& list, const std::string& label) {
  const auto at = std::find(list.labels.begin(), list.labels.end(), label);
  return at == list.labels.end() ? -1 : int(at - list.labels.begin());
}

class SettingsTrialTest : public HostFixture {
 protected:
  void SetUp() override {
    HostFixture::SetUp();
    audio->devices = {scriptedDevice("out-1", "Speakers", 0, 2), scriptedDevice("out-2", "Interface", 2, 4),
                      scriptedDevice("in-1", "Line In", 2, 0)};
    audio->devices[0].minBuffer = 32;
    audio->devices[0].maxBuffer = 512;
    audio->devices[1].minBuffer = 32;
    audio->devices[1].maxBuffer = 512;
    audio->defaultOutput = "out-1";
    audio->defaultInput = "in-1";
  }

  // Starts the program on what the settings file holds, with the dialog open.
  void start(const std::string& settingsText = "") {
    if (!settingsText.empty()) {
      fs::create_directories(settingsDirectory());
      writeFile(settingsDirectory() / "standalone-settings.conf", settingsText);
    }
    // A second API, as the Linux program has ALSA beside JACK.
    HostEnvironment env = environment();
    auto other = otherApi;
    env.audioApis.push_back({"other", "Other", [other] { return std::make_unique<ScriptedAudioBackend>(other); }});
    StandaloneHost::setEnvironment(env);
    const char* argv[] = {"strobe-95"};
    plugin = createStandalonePlugin(&clap_entry, kPluginId, 0, 1, argv);
    host().callbacks.errorReport = [this](const std::string& message) { reports.push_back(message); };
    host().applySettings();
    host().startAudioWithCurrentChoice();
    ASSERT_TRUE(host().audioRunsWithChannels()) << host().lastError();
    dialog.emplace(host());
    trial().open();
  }

  std::string runningOutput() const { return audio->live ? audio->live->params().outputDeviceId : ""; }
  std::vector<bool> shownMarks(const std::vector<MidiPortRow>& rows) const {
    std::vector<bool> marks;
    for (const MidiPortRow& row : rows) marks.push_back(row.checked);
    return marks;
  }
  void ok() { trial().accept(shownMarks(form().midiInputs), shownMarks(form().midiOutputs)); }

  // The form and trial of one dialog, made once the host exists.
  struct Dialog {
    explicit Dialog(StandaloneHost& host) : form(host), trial(host, form) {}
    SettingsForm form;
    SettingsTrial trial;
  };
  std::shared_ptr<Clap::Plugin> plugin;
  std::shared_ptr<AudioScript> otherApi = std::make_shared<AudioScript>();
  std::optional<Dialog> dialog;
  SettingsForm& form() { return dialog->form; }
  SettingsTrial& trial() { return dialog->trial; }
  std::vector<std::string> reports;
};

TEST_F(SettingsTrialTest, OkKeepsATriedChoiceAndCancelGoesBackToTheStoredOne) {
  struct Case {
    const char* why;
    bool accept;
    std::string output;  // running and stored afterwards
  };
  for (const Case& c : {Case{"OK stores the output that was tried", true, "out-2"},
                        Case{"Cancel runs the stored output again", false, "out-1"}}) {
    SCOPED_TRACE(c.why);
    start();
    EXPECT_EQ(form().apis, (FormList{{"Scripted", "Other"}, 0})) << "the host's own APIs, not the platform's";
    form().pickOutput(rowOf(form().outputs, "Interface"));
    ASSERT_TRUE(trial().tryChoice());
    EXPECT_EQ(runningOutput(), "out-2") << "a choice is tried at once";
    EXPECT_TRUE(trial().choiceRuns());
    EXPECT_EQ(trial().latencyLine().rfind("Latency: ", 0), 0u) << "the running choice shows its latency";
    if (c.accept) ok();
    trial().cancel();  // closing after OK only ends the trial
    EXPECT_EQ(runningOutput(), c.output);
    EXPECT_EQ(host().settings().outputDeviceId == "out-2", c.accept);
    EXPECT_TRUE(reports.empty());
    dialog.reset();
    TearDown();
    SetUp();
  }
}

TEST_F(SettingsTrialTest, ATriedBufferSizeLastsOnlyUntilCancel) {
  start();
  ASSERT_EQ(form().buffers.labels.size(), 5u);
  SettingsForm::pick(form().buffers, rowOf(form().buffers, "512 (10.7 ms)"));
  ASSERT_TRUE(trial().tryChoice());
  EXPECT_EQ(audio->live->params().bufferFrames, 512u);
  trial().cancel();
  EXPECT_EQ(audio->live->params().bufferFrames, 256u);
  EXPECT_EQ(host().settings().bufferSize, 256u) << "the tried size never reached the record";
}

TEST_F(SettingsTrialTest, ResetShowsTheDefaultsWithoutErasingTheStoredDevices) {
  start("outputDeviceId=out-2\noutputDeviceName=Interface\noutputFirstChannel=3\n");
  ASSERT_EQ(runningOutput(), "out-2");
  EXPECT_EQ(form().outputChannels.labels[size_t(form().outputChannels.selected)], "Output 3 + 4");
  trial().resetToSystemDefault();
  EXPECT_EQ(runningOutput(), "out-1") << "the system's default output is tried";
  EXPECT_EQ(form().outputs.labels[size_t(form().outputs.selected)], "Speakers");
  EXPECT_EQ(host().settings().outputDeviceId, "out-2");
  trial().cancel();
  EXPECT_EQ(runningOutput(), "out-2");
  EXPECT_EQ(audio->live->params().firstOutputChannel, 2u);
}

TEST_F(SettingsTrialTest, AChoiceThatCannotRunIsReportedAndCancelRunsTheStoredOneAgain) {
  start();
  audio->openError = "The device is in use";
  audio->failOpens = 1;
  form().pickOutput(rowOf(form().outputs, "Interface"));
  SettingsForm::pick(form().buffers, rowOf(form().buffers, "64 (1.3 ms)"));
  EXPECT_FALSE(trial().tryChoice());
  EXPECT_EQ(host().audioChoice().bufferSize, 256u) << "the tried size is taken back with the failure";
  EXPECT_EQ(form().buffers.labels[size_t(form().buffers.selected)], "256 (5.3 ms)") << "the form is filled again";
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports.front().find("The device is in use"), std::string::npos);
  EXPECT_TRUE(trial().latencyLine().empty()) << "nothing runs to show a latency for";
  trial().cancel();
  EXPECT_TRUE(host().audioRunsWithChannels());
  EXPECT_EQ(runningOutput(), "out-1");
}

TEST_F(SettingsTrialTest, OkKeepsAnUnpluggedKeyboardUntilItIsUnchecked) {
  midi->inputs = {{"port-a", "Keys A", "Keys A"}, {"port-b", "Keys B", "Keys B"}};
  start("midiBindAllPorts=false\nmidiPortId=port-a\tKeys A\nmidiPortId=gone\tOld Keys\n");
  ASSERT_EQ(form().midiInputs.size(), 3u);
  EXPECT_EQ(form().midiInputs[2].label, "Old Keys (not connected)");
  std::vector<bool> marks = shownMarks(form().midiInputs);
  marks[1] = true;  // Keys B checked as well
  trial().accept(marks, shownMarks(form().midiOutputs));
  const auto& kept = host().settings().midiPortIds;
  ASSERT_EQ(kept.size(), 3u);
  EXPECT_EQ(kept.back().id, "gone") << "the absent port stays stored";
  EXPECT_EQ(midi->openInputs, (std::vector<std::string>{"port-a", "port-b"}));
}

TEST_F(SettingsTrialTest, AnotherApiStartsOnItsOwnDefaultDevice) {
  otherApi->devices = {scriptedDevice("hw:0", "Card", 0, 2), scriptedDevice("default", "Default", 0, 2)};
  otherApi->defaultOutput = "default";
  start();
  trial().selectApi(rowOf(form().apis, "Other"));
  EXPECT_TRUE(reports.empty()) << (reports.empty() ? "" : reports.front());
  EXPECT_TRUE(trial().choiceRuns());
  EXPECT_EQ(form().outputs.labels[size_t(form().outputs.selected)], "Default");
  EXPECT_EQ(host().audioChoice().apiName, "other");
  trial().cancel();
  EXPECT_EQ(host().audioChoice().apiName, "scripted");
  EXPECT_EQ(runningOutput(), "out-1");
}

TEST_F(SettingsTrialTest, CancelPutsTheOpeningAppearanceBack) {
  start();
  host().setScreenAppearance(kAppearanceDark, true);
  trial().cancel();
  EXPECT_EQ(host().screenAppearance(), kAppearanceAuto);
}

}  // namespace
}  // namespace strobe95::standalone::test
