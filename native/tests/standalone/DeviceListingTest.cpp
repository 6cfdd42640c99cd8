// "--list-audio-devices": when it lists, and the listing's exact text.
#include <gtest/gtest.h>

#include "DeviceListing.h"
#include "ScriptedBackends.h"

namespace strobe95::standalone::test {
namespace {

TEST(DeviceListing, ListsOnlyWhenALaterArgumentIsTheOption) {
  const char* first[] = {"STROBE-95.exe", "--list-audio-devices"};
  const char* later[] = {"STROBE-95.exe", "--x", "--list-audio-devices"};
  const char* other[] = {"STROBE-95.exe", "--list-audio-devices=1"};
  const char* programOnly[] = {"--list-audio-devices"};
  EXPECT_TRUE(asksForDeviceListing(2, first));
  EXPECT_TRUE(asksForDeviceListing(3, later));
  EXPECT_FALSE(asksForDeviceListing(2, other));
  EXPECT_FALSE(asksForDeviceListing(1, programOnly)) << "the program's own name is not an argument";
  EXPECT_FALSE(asksForDeviceListing(2, nullptr));
  EXPECT_FALSE(listAudioDevices(2, other, {}, {}));
}

TEST(DeviceListing, PrintsEveryApiDeviceAndPort) {
  auto script = std::make_shared<AudioScript>();
  AudioDeviceInfo speakers = scriptedDevice("{out}", "Speakers", 0, 2);
  speakers.rates = {44100, 48000};
  speakers.isDefaultOutput = true;
  AudioDeviceInfo headset = scriptedDevice("{in}", "Headset", 1, 0, 16000);
  headset.legacyName = "Headset (legacy)";
  headset.rates = {16000};
  headset.isMicrophone = true;
  headset.isBluetooth = true;
  headset.rateSettable = false;
  script->devices = {speakers, headset};
  script->defaultOutput = "{out}";
  script->defaultInput = "{in}";
  auto midi = std::make_shared<MidiScript>();
  midi->inputs = {{"Keys#1", "Keys", "Keys 0", 0}, {"Keys#2", "Keys (2)", "Keys 1", 1}};
  midi->outputs = {{"Synth#1", "Synth", "Synth 0", 0}};

  const std::vector<AudioApi> apis = {
      {"scripted", "Scripted", [script] { return std::make_unique<ScriptedAudioBackend>(script); }},
      {"none", "Unavailable", [] { return std::unique_ptr<AudioBackend>(); }}};
  const std::string listing =
      formatDeviceListing(apis, [midi] { return std::make_unique<ScriptedMidiBackend>(midi); });
  EXPECT_EQ(listing,
            "audio api scripted (Scripted), the default\n"
            "  \"Speakers\"\n"
            "    id: {out}\n"
            "    legacy name: Speakers\n"
            "    inputs: 0\n"
            "    outputs: 2 - Output 1, Output 2\n"
            "    rates: 44100, 48000 (now 48000)\n"
            "    buffer: 16 to 4096 frames\n"
            "    clock domain: 0\n"
            "    default output\n"
            "  \"Headset\"\n"
            "    id: {in}\n"
            "    legacy name: Headset (legacy)\n"
            "    inputs: 1 - Input 1\n"
            "    outputs: 0\n"
            "    rates: 16000 (now 16000)\n"
            "    buffer: 16 to 4096 frames\n"
            "    clock domain: 0\n"
            "    default input, microphone, bluetooth, rate not settable\n"
            "audio api none (Unavailable)\n"
            "midi api scripted-midi\n"
            "  input \"Keys\"\n"
            "    id: Keys#1\n"
            "    legacy name: Keys 0\n"
            "  input \"Keys (2)\"\n"
            "    id: Keys#2\n"
            "    legacy name: Keys 1\n"
            "  output \"Synth\"\n"
            "    id: Synth#1\n"
            "    legacy name: Synth 0\n");
}

TEST(DeviceListing, TheHandlerPrintsTheListingToStandardOutput) {
  const char* argv[] = {"STROBE-95.exe", "--list-audio-devices"};
  const std::vector<AudioApi> apis = {{"none", "Unavailable", [] { return std::unique_ptr<AudioBackend>(); }}};
  testing::internal::CaptureStdout();
  EXPECT_TRUE(listAudioDevices(2, argv, apis, {}));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "audio api none (Unavailable), the default\n");
}

TEST(DeviceListing, WithoutMidiLayerNoMidiLines) {
  EXPECT_EQ(formatDeviceListing({}, {}), "");
}

}  // namespace
}  // namespace strobe95::standalone::test
