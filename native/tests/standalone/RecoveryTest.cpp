// Bringing audio back after the device went away: the message, the retry schedule of
// 1, 2, 4, 8 and 16 seconds on the host's clock, and what ends or shortens it.
#include "HostFixture.h"

namespace strobe95::standalone::test {
namespace {

constexpr const char* kLost =
    "The audio device Speakers was disconnected, disabled, stopped responding, or its format was changed.";

class Recovery : public HostFixture {
 protected:
  void SetUp() override {
    HostFixture::SetUp();
    addStandardDevices(*audio);
    ASSERT_NE(create(), nullptr);
    host().callbacks.errorReport = [this](const std::string& message) { reports.push_back(message); };
    host().applySettings();
    host().startAudioWithCurrentChoice();
    ASSERT_TRUE(host().audioRunsWithChannels()) << host().lastError();
  }

  std::size_t opens() const { return audio->opened.size(); }

  // Moves the clock to `seconds` after the loss and runs one service tick.
  void tickAt(double seconds) {
    clock->store(lossTime + int64_t(seconds * 1e9));
    host().mainThreadService();
  }

  void loseTheDevice(AudioBackendEvent event = AudioBackendEvent::StreamStopped) {
    audio->openError = "The audio device Speakers is not there.";
    lossTime = clock->load();
    audio->live->loseDevice(kLost, event);
    host().mainThreadService();
  }

  std::vector<std::string> reports;
  int64_t lossTime = 0;
};

TEST_F(Recovery, RetriesAfter1And2And4And8And16SecondsThenStops) {
  loseTheDevice();
  EXPECT_FALSE(host().isActive()) << "the stream is torn down and the plugin deactivated";
  EXPECT_EQ(host().lastError(), kLost);
  EXPECT_EQ(reports, std::vector<std::string>{kLost});
  const std::size_t before = opens();

  // Attempts fall due at 1 s, then 2, 4, 8 and 16 s after each attempt: 1, 3, 7, 15, 31.
  const std::pair<double, std::size_t> schedule[] = {
      {0.999, 0}, {1.0, 1}, {2.9, 1}, {3.0, 2}, {6.9, 2}, {7.0, 3}, {14.9, 3},
      {15.0, 4},  {30.9, 4}, {31.0, 5}, {63.0, 5}, {600.0, 5}};
  for (const auto& [seconds, attempts] : schedule) {
    tickAt(seconds);
    EXPECT_EQ(opens() - before, attempts) << "at " << seconds << " s";
  }
  EXPECT_EQ(reports.size(), 1u) << "retries report nothing further";
}

TEST_F(Recovery, ASuccessfulRetryEndsTheSchedule) {
  loseTheDevice();
  audio->failOpens = 2;
  tickAt(1);
  tickAt(3);
  tickAt(7);
  EXPECT_TRUE(host().audioRunsWithChannels());
  EXPECT_FALSE(host().retryPending());
  const std::size_t after = opens();
  tickAt(15);
  EXPECT_EQ(opens(), after);
}

TEST_F(Recovery, ADeviceGoneFromTheListIsNotOpenedButTheScheduleRuns) {
  loseTheDevice();
  audio->devices.erase(audio->devices.begin());
  const std::size_t before = opens();
  tickAt(1);
  tickAt(3);
  EXPECT_EQ(opens(), before);
  EXPECT_EQ(host().retryCount(), 2);
  audio->devices.insert(audio->devices.begin(), scriptedDevice("out-1", "Speakers", 0, 2));
  audio->openError.clear();
  tickAt(7);
  EXPECT_TRUE(host().audioRunsWithChannels()) << "the device came back before the third attempt";
}

TEST_F(Recovery, AFailedStreamRestartsAtOnceAtTheDevicesNewRate) {
  audio->devices[0].currentRate = 44100;
  audio->devices[0].rates = {44100};
  lossTime = clock->load();
  audio->live->loseDevice("format changed", AudioBackendEvent::StreamFailed);
  host().mainThreadService();
  EXPECT_TRUE(host().audioRunsWithChannels());
  EXPECT_EQ(audio->live->params().sampleRate, 44100u);
  EXPECT_TRUE(reports.empty()) << "recovered at once: nothing to tell";
  EXPECT_FALSE(host().retryPending());
}

TEST_F(Recovery, ANewDefaultDeviceGetsOneMoreAttemptAfterTheLast) {
  loseTheDevice();
  for (double t : {1.0, 3.0, 7.0, 15.0, 31.0}) tickAt(t);
  const std::size_t exhausted = opens();
  audio->openError.clear();
  audio->live->announce(AudioBackendEvent::DefaultDeviceChanged);
  int listChanges = 0;
  host().callbacks.deviceListChanged = [&] { ++listChanges; };
  tickAt(32);
  EXPECT_EQ(opens(), exhausted + 1);
  EXPECT_TRUE(host().audioRunsWithChannels());
  EXPECT_EQ(listChanges, 1);
}

TEST_F(Recovery, ADefaultDeviceChangeWhileFailingNeverLoops) {
  loseTheDevice();
  audio->live->announce(AudioBackendEvent::DefaultDeviceChanged);
  const std::size_t before = opens();
  tickAt(0.1);
  EXPECT_EQ(opens(), before + 1) << "one attempt per tick, even when every attempt fails";
}

TEST_F(Recovery, AChangedDeviceListStartsAudioWhenNoStreamIsOpen) {
  host().stopAudio();
  ASSERT_FALSE(audio->live->isStreamOpen());
  ScriptedAudioBackend* live = audio->live;
  live->announce(AudioBackendEvent::DeviceListChanged);
  host().mainThreadService();
  EXPECT_TRUE(host().audioRunsWithChannels());
}

TEST_F(Recovery, ThreeHealthySecondsAreReportedOnce) {
  int healthy = 0;
  host().callbacks.audioHealthy = [&] { ++healthy; };
  host().mainThreadService();
  advanceSeconds(2.9);
  host().mainThreadService();
  EXPECT_EQ(healthy, 0);
  advanceSeconds(0.1);
  host().mainThreadService();
  advanceSeconds(5);
  host().mainThreadService();
  EXPECT_EQ(healthy, 1);
}

}  // namespace
}  // namespace strobe95::standalone::test
