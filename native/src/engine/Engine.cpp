#include "Engine.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "Effects.h"
#include "EngineParams.h"
#include "NumberText.h"
#include "VoiceBuilds.h"
#include "Zones.h"

namespace strobe95 {
namespace {

constexpr float kUnset = std::numeric_limits<float>::quiet_NaN();
const EngineParamIndex kIndex;

bool differs(float a, float b) { return !(a == b); }  // NaN differs from everything

void write(float* control, float value) {
  if (control) *control = value;
}

int32_t roundedParam(float value, int32_t low, int32_t high) {
  return std::clamp(static_cast<int32_t>(std::round(value)), low, high);
}

}  // namespace

ProcessorFactory ProcessorFactory::generated() {
  return {[]() -> std::unique_ptr<faust::dsp> { return gen::makeVoice(gen::chosenVoiceBuild()); },
          []() -> std::unique_ptr<faust::dsp> { return std::make_unique<gen::Effects>(); }};
}

double noteFrequency(double key) { return 440.0 * std::pow(2.0, (key - 69.0) / 12.0); }

Engine::Engine(int voiceCount, int sampleRate, ProcessorFactory processors)
    : sampleRate_(sampleRate), samples_(sharedSampleTable()), arp_(*this, sampleRate) {
  voices_.resize(static_cast<size_t>(voiceCount));
  for (VoiceSlot& slot : voices_) {
    slot.dsp = processors.voice();
    slot.dsp->init(sampleRate);
    Zones zones;
    slot.dsp->buildUserInterface(&zones);
    slot.freqControl = zones.find("freq");
    slot.gainControl = zones.find("gain");
    slot.gateControl = zones.find("gate");
    for (int i = 0; i < kParamCount; ++i) {
      if (kParamSpecs[i].target == ParamTarget::ToVoices) slot.paramControls[i] = zones.find(kParamSpecs[i].textId);
    }
  }
  voiceHasInput_ = !voices_.empty() && voices_[0].dsp->getNumInputs() > 0;

  effects_ = processors.effects();
  effects_->init(sampleRate);
  Zones zones;
  effects_->buildUserInterface(&zones);
  for (int i = 0; i < kParamCount; ++i) {
    if (kParamSpecs[i].target == ParamTarget::ToEffects) effectControls_[i] = zones.find(kParamSpecs[i].textId);
  }
  delaySecondsControl_ = zones.find("delay_seconds");
  startFresh();
}

Engine::~Engine() = default;

void Engine::reset() {
  for (VoiceSlot& slot : voices_) {
    slot.dsp->instanceInit(sampleRate_);
    VoiceSlot fresh;
    fresh.dsp = std::move(slot.dsp);
    fresh.freqControl = slot.freqControl;
    fresh.gainControl = slot.gainControl;
    fresh.gateControl = slot.gateControl;
    fresh.paramControls = slot.paramControls;
    slot = std::move(fresh);
  }
  effects_->instanceInit(sampleRate_);
  startFresh();
}

void Engine::startFresh() {
  lastDelaySeconds_ = kUnset;
  lastPushed_.fill(kUnset);
  for (int i = 0; i < kParamCount; ++i) params_[i] = kParamSpecs[i].defaultValue;
  monoStack_.clear();
  sampleIndex_ = 0;
  sampleKeys_ = true;
  mono_ = false;
  noteCounter_ = 0;
  for (Buffer* buffer : {&sampleInput_, &voiceLeft_, &voiceRight_, &mixLeft_, &mixRight_, &effectsInLeft_,
                         &effectsInRight_, &effectsOutLeft_, &effectsOutRight_}) {
    buffer->fill(0.0f);
  }
  arp_.restart();
  hostTempo_ = 120.0;
  arpOn_ = false;
  sampleCounter_ = 0;
  blockStart_ = 0;
}

void Engine::handleEvent(const EngineEvent& event, int32_t position) {
  switch (event.kind) {
    case EngineEventKind::NoteOn: {
      // A velocity that is not a positive number (NaN included) is a note-off, as a NaN
      // value is a parameter's minimum; above 1 it is full velocity.
      if (!(event.value > 0)) {
        handleEvent({event.offset, EngineEventKind::NoteOff, event.keyOrIndex, 0.0}, position);
        break;
      }
      const double velocity = std::min(event.value, kMaxVelocity);
      if (arpOn_) {
        arp_.press(event.keyOrIndex, velocity, static_cast<double>(blockStart_ + static_cast<uint64_t>(position)));
      } else {
        noteOn(event.keyOrIndex, velocity);
      }
      break;
    }
    case EngineEventKind::NoteOff:
      if (arpOn_) {
        arp_.release(event.keyOrIndex);
      } else {
        noteOff(event.keyOrIndex);
      }
      break;
    case EngineEventKind::AllNotesOff:
      arp_.reset();
      allNotesOff();
      break;
    case EngineEventKind::ParamValue: {
      if (event.keyOrIndex >= static_cast<uint32_t>(kParamCount)) break;
      const ParamSpec& param = kParamSpecs[event.keyOrIndex];
      float v = std::fmin(param.max, std::fmax(param.min, narrowToFloat(event.value)));  // NaN gives min
      if (param.type != ParamType::Float) v = std::round(v);
      params_[event.keyOrIndex] = v;
      break;
    }
    case EngineEventKind::Tempo:
      if (event.value > 0) hostTempo_ = event.value;
      arp_.setTempo(hostTempo_);
      break;
  }
}

void Engine::setParameters(const float* values) {
  for (int i = 0; i < kParamCount; ++i) {
    handleEvent({0, EngineEventKind::ParamValue, static_cast<uint32_t>(i), values[i]}, 0);
  }
  applyParameters();
}

void Engine::applyParameters() {
  for (int i = 0; i < kParamCount; ++i) {
    const ParamTarget target = kParamSpecs[i].target;
    if (target == ParamTarget::ToEngine || !differs(params_[i], lastPushed_[i])) continue;
    lastPushed_[i] = params_[i];
    if (target == ParamTarget::ToEffects) {
      write(effectControls_[i], params_[i]);
    } else {
      for (VoiceSlot& slot : voices_) write(slot.paramControls[i], params_[i]);
    }
  }

  const bool mono = params_[kIndex.mono] >= 0.5f;
  if (mono != mono_) {
    mono_ = mono;
    allNotesOff();
  }

  sampleKeys_ = params_[kIndex.sampleTrack] >= 0.5f;
  sampleIndex_ = static_cast<int32_t>(std::round(params_[kIndex.sample]));

  const auto note = static_cast<int32_t>(std::round(params_[kIndex.delayNote]));
  const float beats = note >= 0 && note <= 5 ? kDelayNoteBeats[note] : 0.75f;
  const float seconds = static_cast<float>(std::min(double{kMaxDelaySeconds}, 60.0 / hostTempo_ * beats));
  if (differs(seconds, lastDelaySeconds_)) {
    lastDelaySeconds_ = seconds;
    write(delaySecondsControl_, seconds);
  }

  arp_.setSettings(static_cast<ArpMode>(roundedParam(params_[kIndex.arpMode], 0, 5)),
                   static_cast<uint32_t>(roundedParam(params_[kIndex.arpRate], 0, 3)),
                   static_cast<uint32_t>(roundedParam(params_[kIndex.arpOctaves], 1, 4)),
                   std::clamp(double{params_[kIndex.arpGate]}, 0.05, 1.0),
                   static_cast<ArpFeel>(roundedParam(params_[kIndex.arpFeel], 0, 1)));

  const bool arpOn = params_[kIndex.arpOn] >= 0.5f;
  if (arpOn != arpOn_) {
    arpOn_ = arpOn;
    arp_.reset();
    allNotesOff();
  }
}

}  // namespace strobe95
