// The audio bridge: starting audio on the chosen devices with every failure's message,
// and the callback's blocks: MIDI in, audio in and out, and the plugin's MIDI out.
#include <cmath>

#include "HostFixture.h"
#include "PortPlugin.h"

namespace strobe95::standalone::test {
namespace {

class AudioBridge : public HostFixture {
 protected:
  void SetUp() override {
    HostFixture::SetUp();
    addStandardDevices(*audio);
  }

  std::shared_ptr<Clap::Plugin> createAndStart() {
    auto plugin = create();
    host().callbacks.errorReport = [this](const std::string& message) { reports.push_back(message); };
    host().applySettings();
    host().startAudioWithCurrentChoice();
    return plugin;
  }

  std::vector<std::string> reports;
};

float peak(const std::vector<float>& samples) {
  float p = 0;
  for (float s : samples) p = std::max(p, std::fabs(s));
  return p;
}

TEST_F(AudioBridge, PlaysTheDefaultOutputAndMidiReachesThePlugin) {
  const auto plugin = createAndStart();
  ASSERT_TRUE(host().lastError().empty()) << host().lastError();
  ASSERT_NE(audio->live, nullptr);
  const StreamParameters& params = audio->live->params();
  EXPECT_EQ(params.outputDeviceId, "out-1");
  EXPECT_EQ(params.outputChannels, 2u);
  EXPECT_EQ(params.firstOutputChannel, 0u);
  EXPECT_EQ(params.sampleRate, 48000u) << "no stored rate: the device's own";
  EXPECT_EQ(params.bufferFrames, 256u);
  EXPECT_EQ(plugin->sampleRate, 48000.0);
  EXPECT_EQ(plugin->minFrames, 1u);
  EXPECT_EQ(plugin->maxFrames, 512u) << "twice the buffer size";
  EXPECT_TRUE(host().audioRunsWithChannels());

  const uint8_t noteOn[3] = {0x90, 60, 100};
  host().receiveMidi(noteOn, 3);
  ASSERT_TRUE(serviceUntil([&] { return peak(audio->live->lastOutput()) > 0.01f; }))
      << "a MIDI note from the MIDI layer sounds on the device";
  EXPECT_TRUE(reports.empty());
}

TEST_F(AudioBridge, AMicrophoneThatIsOnlyTheDefaultStaysClosed) {
  audio->devices[1].isMicrophone = true;
  createAndStart();
  EXPECT_FALSE(host().audioChoice().inputUsed);
  EXPECT_TRUE(audio->live->params().inputDeviceId.empty());
}

TEST_F(AudioBridge, AMicrophoneChosenByNameIsOpened) {
  audio->devices[1].isMicrophone = true;
  ASSERT_NE(create(), nullptr);
  host().settings().inputDeviceName = "Line In";
  host().applySettings();
  EXPECT_TRUE(host().audioChoice().inputUsed);
  EXPECT_EQ(host().audioChoice().inputDeviceId, "in-1");
}

TEST_F(AudioBridge, StoredChoicesFindTheirDevicesRateAndBuffer) {
  audio->devices.push_back(scriptedDevice("out-2", "Interface", 0, 4, 44100));
  ASSERT_NE(create(), nullptr);
  StandaloneSettings& s = host().settings();
  s.outputDeviceId = "out-1";  // the id now belongs to the speakers, but the name is the interface's
  s.outputDeviceName = "Interface";
  s.outputFirstChannel = 3;
  s.sampleRate = 96000;
  s.bufferSize = 1024;
  s.audioInputUsed = false;
  host().applySettings();
  const AudioChoice& choice = host().audioChoice();
  EXPECT_EQ(choice.outputDeviceId, "out-2");
  EXPECT_EQ(choice.firstOutputChannel, 2u) << "stored channel 3 is the pair 3 + 4";
  EXPECT_EQ(choice.outputChannels, 2u);
  EXPECT_EQ(choice.bufferSize, 512u) << "the largest size offered";
  EXPECT_FALSE(choice.inputUsed);
  host().startAudioWithCurrentChoice();
  EXPECT_EQ(audio->live->params().sampleRate, 96000u);
  EXPECT_EQ(audio->live->params().firstOutputChannel, 2u);
}

TEST_F(AudioBridge, StartFailuresSayWhatFailed) {
  struct Case {
    const char* what;
    std::function<void(AudioScript&)> script;
    const char* message;
  } cases[] = {
      {"no devices", [](AudioScript& s) { s.devices.clear(); }, "No audio input or output device is available"},
      {"open fails", [](AudioScript& s) { s.openError = "The audio device Speakers is not there."; },
       "The audio device Speakers is not there."},
      {"open fails silently", [](AudioScript& s) { s.failOpenSilently = true; }, "Unable to open the audio stream"},
      {"start fails", [](AudioScript& s) { s.startError = "The audio stream could not be started (0x88890004)."; },
       "The audio stream could not be started (0x88890004)."},
      {"the layer throws", [](AudioScript& s) { s.throwOnOpen = 1; }, "The driver gave up."},
      {"the layer throws no exception", [](AudioScript& s) { s.throwOnOpen = 2; }, "Unknown error while starting audio"},
  };
  for (const auto& c : cases) {
    *audio = {};
    addStandardDevices(*audio);
    c.script(*audio);
    reports.clear();
    createAndStart();
    EXPECT_EQ(host().lastError(), c.message) << c.what;
    EXPECT_EQ(reports, std::vector<std::string>{c.message}) << c.what;
    EXPECT_FALSE(host().isActive()) << c.what;
    EXPECT_FALSE(audio->live && audio->live->isStreamOpen()) << c.what;
    StandaloneHost::shutdown();
  }
}

TEST_F(AudioBridge, WithoutAnAudioApiNothingStarts) {
  HostEnvironment env = environment();
  env.audioApis.clear();
  StandaloneHost::setEnvironment(env);
  const char* argv[] = {"x"};
  ASSERT_NE(createStandalonePlugin(&clap_entry, kPluginId, 0, 1, argv), nullptr);
  host().applySettings();
  host().startAudioWithCurrentChoice();
  EXPECT_EQ(host().lastError(), "This standalone has no audio api");
}

TEST_F(AudioBridge, ARestartRequestReactivatesAndKeepsPlaying) {
  audio->streamLargestBlock = 1024;  // the device delivers blocks of four periods
  const auto plugin = createAndStart();
  ASSERT_EQ(plugin->maxFrames, 1024u);
  const long before = audio->live->periods();
  plugin->host()->request_restart(plugin->host());
  host().mainThreadService();
  EXPECT_TRUE(host().isActive());
  EXPECT_EQ(plugin->maxFrames, 1024u) << "the running stream's blocks still fit";
  EXPECT_TRUE(audio->live->isStreamRunning()) << "the stream is not closed for a restart";
  EXPECT_TRUE(serviceUntil([&] { return audio->live->periods() > before + 5; }));
  const uint8_t noteOn[3] = {0x90, 64, 100};
  host().receiveMidi(noteOn, 3);
  EXPECT_TRUE(serviceUntil([&] { return peak(audio->live->lastOutput()) > 0.01f; }));
}

TEST_F(AudioBridge, StartingAgainReplacesTheRunningStream) {
  audio->devices.push_back(scriptedDevice("out-2", "Interface", 0, 2));
  createAndStart();
  host().startAudio("", 1, false, "out-2", 2, true, 44100);
  EXPECT_TRUE(host().lastError().empty()) << host().lastError();
  EXPECT_EQ(audio->live->params().outputDeviceId, "out-2");
  EXPECT_EQ(audio->live->params().sampleRate, 44100u);
  EXPECT_TRUE(host().audioRunsWithChannels());
}

// --- The callback, called directly with the plugin active and no stream --------------------

class Callback : public AudioBridge {
 protected:
  void activateWith(std::vector<uint32_t> inputPorts, std::vector<uint32_t> outputPorts,
                    uint32_t dialects = CLAP_NOTE_DIALECT_MIDI | CLAP_NOTE_DIALECT_CLAP, bool noteOutput = false) {
    gPortPlugin = {};
    gPortPlugin.inputChannels = std::move(inputPorts);
    gPortPlugin.outputChannels = std::move(outputPorts);
    gPortPlugin.inputDialects = dialects;
    gPortPlugin.noteOutput = noteOutput;
    ASSERT_NE(create(&kPortPluginEntry, "test.port-plugin"), nullptr);
    ASSERT_TRUE(host().activatePlugin(48000, 1, 256));
  }
  void block(uint32_t deviceInputs = 0, uint32_t deviceOutputs = 2, uint32_t frames = 64) {
    inputs.assign(deviceInputs, std::vector<float>(frames));
    for (uint32_t c = 0; c < deviceInputs; ++c) inputs[c].assign(frames, float(c + 1));
    outputs.assign(deviceOutputs, std::vector<float>(frames, -9.0f));
    std::vector<const float*> in;
    std::vector<float*> out;
    for (auto& c : inputs) in.push_back(c.data());
    for (auto& c : outputs) out.push_back(c.data());
    host().onAudio(in.data(), deviceInputs, out.data(), deviceOutputs, frames);
  }
  std::vector<std::vector<float>> inputs, outputs;
};

TEST_F(Callback, ACallbackRequestedFromTheAudioThreadRunsOnTheMainThreadAtTheNextTick) {
  activateWith({}, {2});
  const clap_host_t* h = host().plugin()->host();
  std::thread([h] { h->request_callback(h); }).join();
  EXPECT_TRUE(gPortPlugin.mainThreadCalls.empty());
  host().mainThreadService();
  EXPECT_EQ(gPortPlugin.mainThreadCalls, std::vector<std::thread::id>{std::this_thread::get_id()});
  host().mainThreadService();
  EXPECT_EQ(gPortPlugin.mainThreadCalls.size(), 1u) << "once per request";
}

TEST_F(Callback, AMonoOutputFeedsTwoDeviceChannels) {
  activateWith({}, {1});
  block(0, 4);
  EXPECT_EQ(outputs[0][10], 0.5f);
  EXPECT_EQ(outputs[1][10], 0.5f) << "the same signal on the second device channel";
  EXPECT_EQ(outputs[2][10], 0.0f);
  EXPECT_EQ(outputs[3][10], 0.0f);
}

TEST_F(Callback, AStereoInputFedByOneDeviceChannelGetsItTwice) {
  activateWith({2}, {2});
  block(1, 2);
  ASSERT_EQ(gPortPlugin.lastInputs.size(), 2u);
  EXPECT_EQ(gPortPlugin.lastInputs[0][5], 1.0f);
  EXPECT_EQ(gPortPlugin.lastInputs[1][5], 1.0f);
  EXPECT_FLOAT_EQ(outputs[1][5], 1.6f);
  host().setInputMuted(true);
  block(1, 2);
  EXPECT_EQ(gPortPlugin.lastInputs[0][5], 0.0f) << "a muted input leaves the plugin's input silent";
}

TEST_F(Callback, WithoutAMainOutputTheDeviceIsSilent) {
  activateWith({}, {});
  block(0, 2);
  EXPECT_EQ(outputs[0][0], 0.0f);
  EXPECT_EQ(outputs[1][63], 0.0f);
}

TEST_F(Callback, PortsAndChannelsAreBoundedBy64) {
  activateWith(std::vector<uint32_t>(40, 1), std::vector<uint32_t>(40, 2));
  const PortLayout& layout = host().portLayout();
  EXPECT_EQ(layout.inputPorts, 40u);
  EXPECT_EQ(layout.outputPorts, 24u);
  EXPECT_EQ(layout.inputChannels, 40u);
  EXPECT_EQ(layout.outputChannels, 24u) << "the channel budget ends after 12 stereo outputs";
  block(1, 2);
  EXPECT_EQ(outputs[0][0], 1.5f);
}

TEST_F(Callback, ADisabledCallbackIsSilentAndAcknowledges) {
  activateWith({}, {2});
  host().quiesceAudio();
  block(0, 2);
  EXPECT_EQ(outputs[0][0], 0.0f);
  EXPECT_TRUE(gPortPlugin.blocks.empty()) << "the plugin is not processed";
}

TEST_F(Callback, MoreThan256MessagesSpreadOverBlocksInOrder) {
  activateWith({}, {2});
  for (int i = 0; i < 300; ++i) {
    const uint8_t message[3] = {0x90, uint8_t(i % 128), uint8_t(1 + i / 128)};
    host().receiveMidi(message, 3);
  }
  block();
  block();
  block();
  ASSERT_EQ(gPortPlugin.blocks.size(), 3u);
  EXPECT_EQ(gPortPlugin.blocks[0].size(), 256u);
  EXPECT_EQ(gPortPlugin.blocks[1].size(), 44u);
  EXPECT_EQ(gPortPlugin.blocks[2].size(), 0u);
  const auto& e = gPortPlugin.blocks[1][0];
  EXPECT_EQ(e.header.size, 24u);
  EXPECT_EQ(e.header.time, 0u);
  EXPECT_EQ(e.header.space_id, CLAP_CORE_EVENT_SPACE_ID);
  EXPECT_EQ(e.header.type, CLAP_EVENT_MIDI);
  EXPECT_EQ(e.bytes, (std::vector<uint8_t>{0x90, 256 % 128, 3}));
}

TEST_F(Callback, SysexArrivesWholeBesideShortMessagesInOrder) {
  activateWith({}, {2});
  // The largest message the queue takes; the staging area holds all a block can drain.
  std::vector<uint8_t> sysex(MidiByteRing::kMaxMessage - 8, 0x11);
  sysex.front() = 0xF0;
  sysex.back() = 0xF7;
  const uint8_t note[3] = {0x80, 1, 0};
  host().receiveMidi(note, 3);
  host().receiveMidi(sysex.data(), sysex.size());
  ASSERT_EQ(host().droppedMidiMessages(), 0u);
  block();
  ASSERT_EQ(gPortPlugin.blocks[0].size(), 2u);
  EXPECT_EQ(gPortPlugin.blocks[0][0].header.type, CLAP_EVENT_MIDI);
  EXPECT_EQ(gPortPlugin.blocks[0][1].header.type, CLAP_EVENT_MIDI_SYSEX);
  EXPECT_EQ(gPortPlugin.blocks[0][1].header.size, 40u);
  EXPECT_EQ(gPortPlugin.blocks[0][1].header.time, 0u);
  EXPECT_EQ(gPortPlugin.blocks[0][1].bytes, sysex);
  host().receiveMidi(sysex.data(), sysex.size());
  EXPECT_EQ(host().droppedMidiMessages(), 0u) << "the drained queue has room again";
}

TEST_F(Callback, TheMidiFilterKeepsOnlyWhatThePluginTakes) {
  activateWith({}, {2}, CLAP_NOTE_DIALECT_CLAP);
  const uint8_t sensing[1] = {0xFE};
  const uint8_t timingClock[1] = {0xF8};
  const uint8_t tooLong[4] = {0x90, 1, 2, 3};
  const uint8_t sysex[3] = {0xF0, 0x7E, 0xF7};
  host().receiveMidi(sensing, 1);
  host().receiveMidi(timingClock, 1);
  host().receiveMidi(tooLong, 4);
  host().receiveMidi(sysex, 3);
  host().receiveMidi(nullptr, 3);
  host().receiveMidi(timingClock, 0);
  block();
  ASSERT_EQ(gPortPlugin.blocks[0].size(), 1u) << "only the clock: no sensing, no long messages, no sysex "
                                                 "for a plugin without the MIDI dialect";
  EXPECT_EQ(gPortPlugin.blocks[0][0].bytes[0], 0xF8);
}

TEST_F(Callback, AFullInputQueueDropsAndCounts) {
  activateWith({}, {2});
  const uint8_t note[3] = {0x90, 60, 1};
  int queued = 0;
  while (host().droppedMidiMessages() == 0) {
    host().receiveMidi(note, 3);
    ++queued;
  }
  EXPECT_EQ(queued - 1, 65536 / 7) << "each message takes its 4-byte length and 3 bytes";
  std::vector<uint8_t> huge(70000, 0xF0);
  host().receiveMidi(huge.data(), huge.size());
  EXPECT_EQ(host().droppedMidiMessages(), 2u);
}

TEST_F(Callback, ThePluginsNotesAndMidiLeaveAsMidiBytes) {
  activateWith({}, {2}, CLAP_NOTE_DIALECT_MIDI, true);
  EXPECT_TRUE(host().portLayout().hasMidiOutput);
  auto note = [](uint16_t type, int16_t channel, int16_t key, double velocity) {
    clap_event_note_t e{};
    e.header = {sizeof e, 0, CLAP_CORE_EVENT_SPACE_ID, type, 0};
    e.channel = channel;
    e.key = key;
    e.velocity = velocity;
    return eventBytes(e);
  };
  clap_event_midi_t program{};
  program.header = {sizeof program, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_MIDI, 0};
  program.data[0] = 0xC3;
  program.data[1] = 7;
  program.data[2] = 99;
  uint8_t sysexBytes[4] = {0xF0, 1, 2, 0xF7};
  clap_event_midi_sysex_t sysex{};
  sysex.header = {sizeof sysex, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_MIDI_SYSEX, 0};
  sysex.buffer = sysexBytes;
  sysex.size = 4;
  clap_event_midi_t foreign = program;
  foreign.header.space_id = 77;
  const std::vector<std::vector<uint8_t>> events = {
      note(CLAP_EVENT_NOTE_ON, 2, 60, 0.0),     note(CLAP_EVENT_NOTE_ON, 0, 61, 0.5),
      note(CLAP_EVENT_NOTE_OFF, 15, 62, 2.0),   note(CLAP_EVENT_NOTE_ON, 16, 63, 1.0),
      note(CLAP_EVENT_NOTE_ON, -1, 64, 1.0),    note(CLAP_EVENT_NOTE_ON, 0, 128, 1.0),
      eventBytes(program),                      eventBytes(sysex),
      eventBytes(foreign)};

  gPortPlugin.eventsToSend = events;
  block();
  EXPECT_EQ(host().midiOutputQueue().frontLength(), 0u) << "nothing leaves while MIDI output is off";

  host().setMidiOutputEnabled(true);
  gPortPlugin.eventsToSend = events;
  block();
  std::vector<std::vector<uint8_t>> sent;
  MidiByteRing& queue = host().midiOutputQueue();
  while (const uint32_t length = queue.frontLength()) {
    std::vector<uint8_t> bytes(length);
    queue.copyFront(bytes.data(), length);
    queue.popFront(length);
    sent.push_back(bytes);
  }
  const std::vector<std::vector<uint8_t>> expected = {
      {0x92, 60, 1},     // velocity 0.0 leaves as 1: a note-on of 0 would end the note
      {0x90, 61, 64},    // lround(0.5 * 127) = 64
      {0x8F, 62, 127},   // clamped
      {0xC3, 7},         // a program change is two bytes
      {0xF0, 1, 2, 0xF7}};
  EXPECT_EQ(sent, expected);
}

TEST_F(Callback, MidiPortsOpenFromTheStoredChoiceAndOutputEndsWithAllNotesOff) {
  midi->inputs = {{"Keys#1", "Keys", "Keys 0", 0}, {"Pads#1", "Pads", "Pads 1", 1}};
  midi->outputs = {{"Synth#1", "Synth", "Synth 0", 0}, {"Drums#1", "Drums", "Drums 1", 1}};
  activateWith({}, {2}, CLAP_NOTE_DIALECT_MIDI, true);
  StandaloneSettings& s = host().settings();
  s.midiBindAllPorts = false;
  s.midiPortIds = {{"Gone#1", "Pads"}};
  s.midiOutputPortIds = {{"Drums#1", "Drums"}};
  host().startMidi();
  EXPECT_EQ(midi->openInputs, std::vector<std::string>{"Pads#1"});
  EXPECT_EQ(midi->openOutputs, std::vector<std::string>{"Drums#1"});
  ASSERT_TRUE(midi->receive);
  const uint8_t note[3] = {0x90, 50, 90};
  midi->receive(note, 3);  // from the MIDI layer into the callback's queue
  block();
  ASSERT_EQ(gPortPlugin.blocks.back().size(), 1u);

  clap_event_note_t out{};
  out.header = {sizeof out, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_NOTE_ON, 0};
  out.key = 70;
  out.velocity = 1.0;
  gPortPlugin.eventsToSend = {eventBytes(out)};
  block();
  ASSERT_TRUE(serviceUntil([&] {
    std::lock_guard<std::mutex> lock(midi->sentLock);
    return !midi->sent.empty();
  }));
  host().stopMidi();
  EXPECT_TRUE(midi->openInputs.empty());
  EXPECT_TRUE(midi->openOutputs.empty());
  std::lock_guard<std::mutex> lock(midi->sentLock);
  ASSERT_EQ(midi->sent.size(), 17u) << "the note, then controller 123 on each of the 16 channels";
  EXPECT_EQ(midi->sent[0], (std::vector<uint8_t>{0x90, 70, 127}));
  EXPECT_EQ(midi->sent[1], (std::vector<uint8_t>{0xB0, 0x7B, 0}));
  EXPECT_EQ(midi->sent[16], (std::vector<uint8_t>{0xBF, 0x7B, 0}));
}

TEST_F(Callback, BindingAllInputsOpensEveryPortButNoOutputWithoutMidiOut) {
  midi->inputs = {{"Keys#1", "Keys", "Keys 0", 0}, {"Pads#1", "Pads", "Pads 1", 1}};
  midi->outputs = {{"Synth#1", "Synth", "Synth 0", 0}};
  activateWith({}, {2});
  host().settings().midiOutputPorts = {"Synth"};
  host().startMidi();
  EXPECT_EQ(midi->openInputs, (std::vector<std::string>{"Keys#1", "Pads#1"}));
  EXPECT_TRUE(midi->openOutputs.empty()) << "the plugin sends no MIDI";
}

// Where the environment offers timers (the Linux program, whose faceplate they pump),
// the service fires each one once it is due, and a dropped one never again.
TEST_F(Callback, TimersFireFromTheServiceOnceDue) {
  offersTimers = true;
  activateWith({}, {2});
  const clap_host_t* h = host().plugin()->host();
  const auto* timers = static_cast<const clap_host_timer_support_t*>(h->get_extension(h, CLAP_EXT_TIMER_SUPPORT));
  clap_id fast = CLAP_INVALID_ID, slow = CLAP_INVALID_ID;
  ASSERT_TRUE(timers->register_timer(h, 10, &fast));
  ASSERT_TRUE(timers->register_timer(h, 30, &slow));
  EXPECT_NE(fast, slow);
  struct Step {
    double seconds;
    std::vector<clap_id> fired;
  } steps[] = {{0.005, {}}, {0.006, {fast}}, {0.004, {}}, {0.021, {fast, slow}}, {0.5, {fast, slow}}};
  for (const Step& step : steps) {
    gPortPlugin.timersFired.clear();
    advanceSeconds(step.seconds);
    host().mainThreadService();
    EXPECT_EQ(gPortPlugin.timersFired, step.fired) << "after " << step.seconds << " s more";
  }
  EXPECT_TRUE(timers->unregister_timer(h, fast));
  EXPECT_FALSE(timers->unregister_timer(h, fast));
  gPortPlugin.timersFired.clear();
  advanceSeconds(1);
  host().mainThreadService();
  EXPECT_EQ(gPortPlugin.timersFired, std::vector<clap_id>{slow});
}

}  // namespace
}  // namespace strobe95::standalone::test
