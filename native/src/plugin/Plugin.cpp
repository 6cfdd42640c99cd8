#include "Plugin.h"

#include <cmath>
#include <limits>

#include "ClapTables.h"
#include "Gui/Gui.h"

namespace strobe95 {
namespace {

// Differs from every value: nothing has been handed to an engine yet.
constexpr float kNeverApplied = std::numeric_limits<float>::quiet_NaN();

}  // namespace

Plugin::Plugin(const clap_host* host) : clapPlugin_(makePluginTable(this)), host_(host) {
  for (int i = 0; i < kParamCount; ++i) {
    values_[i].store(kParamSpecs[i].defaultValue);
    applied_[i] = kNeverApplied;
  }
  blockEvents_.reserve(kMaxBlockEvents);
}

Plugin::~Plugin() {
  // The faceplate calls back into this instance until it is gone, so it goes first.
  gui_.reset();
}

void Plugin::setGui(std::unique_ptr<Gui> gui) {
  gui_.reset();  // one web view at a time, even for the moment of a swap
  gui_ = std::move(gui);
}

bool Plugin::init() {
  if (!host_->get_extension) return true;
  hostParams_ = static_cast<const clap_host_params*>(host_->get_extension(host_, CLAP_EXT_PARAMS));
  hostState_ = static_cast<const clap_host_state*>(host_->get_extension(host_, CLAP_EXT_STATE));
  return true;
}

bool Plugin::activate(double sampleRate) {
  try {
    engine_ = std::make_unique<Engine>(kVoiceCount, static_cast<int>(std::lround(sampleRate)), processors_);
  } catch (...) {
    return false;
  }
  primeEngine();
  return true;
}

void Plugin::primeEngine() {
  // The engine starts from the current values, with its mono and arpeggiator switches
  // already set: handed over in the first block instead, they would arrive together
  // with that block's first notes and release them at once.
  for (int i = 0; i < kParamCount; ++i) applied_[i] = values_[i].load();
  engine_->setParameters(applied_.data());
  lastTempo_ = 0.0;
}

void Plugin::deactivate() { engine_.reset(); }

// A host resets when what follows must not hear what came before (a jump in its
// timeline, the start of a bounce): voices and tails end at once, and the engine plays on
// exactly as a newly activated one would.
void Plugin::reset() {
  if (!engine_) return;
  engine_->reset();
  primeEngine();
}

const void* Plugin::extension(std::string_view id) const { return findExtension(id); }

void Plugin::setParameterFromGui(int index, float value) {
  const ParamSpec& param = kParamSpecs[index];
  float v = clampToRange(param, value);
  if (param.type != ParamType::Float) v = std::round(v);
  values_[index].exchange(v);
  outbox_.push({OutboxKind::Value, index, v});
  requestFlush();
  markDirty();
}

void Plugin::beginGesture(int index) { outbox_.push({OutboxKind::GestureBegin, index, 0.0f}); }

void Plugin::endGesture(int index) {
  outbox_.push({OutboxKind::GestureEnd, index, 0.0f});
  requestFlush();
}

void Plugin::pushUiNote(uint32_t key, bool on) {
  uiNotes_.push({key, static_cast<uint8_t>(on ? 1 : 0)});
}

PresetState Plugin::getPresetState() const {
  std::lock_guard<std::mutex> lock(presetLock_);
  return presetState_;
}

void Plugin::setPresetState(std::string name, bool edited) {
  std::lock_guard<std::mutex> lock(presetLock_);
  presetState_.name = std::move(name);
  presetState_.edited = edited;
}

void Plugin::requestFlush() const {
  if (hostParams_) hostParams_->request_flush(host_);
}

void Plugin::markDirty() const {
  if (hostState_) hostState_->mark_dirty(host_);
}

}  // namespace strobe95
