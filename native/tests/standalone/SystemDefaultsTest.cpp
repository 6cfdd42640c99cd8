// The first launch's audio choice: the system's defaults, a microphone left closed.
#include "HostFixture.h"
#include "SystemDefaults.h"

namespace strobe95::standalone::test {
namespace {

class SystemDefaults : public HostFixture {};

TEST_F(SystemDefaults, TakeTheDefaultOutputAndANonMicrophoneInput) {
  struct Case {
    const char* what;
    bool inputIsMicrophone;
    std::string defaultOutput;
    bool outputUsed;
    bool inputUsed;
    int32_t rate;  // the default output's current rate, 0 without one
  };
  const Case cases[] = {
      {"a line input is opened with the output", false, "out", true, true, 44100},
      {"a microphone is opened only when chosen, never as the default", true, "out", true, false, 44100},
      {"without a default output nothing plays out and the rate is the device's", false, "", false, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    audio->devices = {scriptedDevice("out", "Speakers", 0, 2, 44100), scriptedDevice("in", "Line In", 2, 0)};
    audio->devices[1].isMicrophone = c.inputIsMicrophone;
    audio->defaultOutput = c.defaultOutput;
    audio->defaultInput = "in";
    const auto plugin = create();
    host().settings().outputDeviceId = "stale";
    host().settings().inputDeviceName = "Old Mic";
    host().audioChoice().bufferSize = 64;
    ASSERT_TRUE(chooseSystemDefaults(host()));
    const AudioChoice& choice = host().audioChoice();
    EXPECT_EQ(choice.outputUsed, c.outputUsed);
    EXPECT_EQ(choice.inputUsed, c.inputUsed);
    EXPECT_EQ(choice.sampleRate, c.rate);
    EXPECT_EQ(choice.bufferSize, 256u);
    EXPECT_EQ(choice.firstOutputChannel, 0u);
    if (c.outputUsed) {
      EXPECT_EQ(choice.outputChannels, 2u) << "the first stereo pair";
    }
    EXPECT_EQ(host().settings().outputDeviceId, "stale");
    EXPECT_EQ(host().settings().inputDeviceName, "Old Mic")
        << "the stored devices stay until the user confirms another choice";
    host().audioChoice().outputDeviceId = "running";
    const AudioChoice defaults = systemDefaultChoice(*host().audioBackend(), host().portLayout());
    EXPECT_EQ(defaults.outputDeviceId, c.outputUsed ? "out" : "");
    EXPECT_EQ(host().audioChoice().outputDeviceId, "running") << "the settings window's Reset only shows the defaults";
    StandaloneHost::shutdown();
    StandaloneHost::destroyInstance();
  }
}

TEST_F(SystemDefaults, NothingToChooseWithoutAnAudioApi) {
  HostEnvironment env = environment();
  env.audioApis.clear();
  StandaloneHost::setEnvironment(env);
  const char* argv[] = {"STROBE-95.exe"};
  const auto plugin = createStandalonePlugin(&clap_entry, kPluginId, 0, 1, argv);
  EXPECT_FALSE(chooseSystemDefaults(host()));
}

}  // namespace
}  // namespace strobe95::standalone::test
