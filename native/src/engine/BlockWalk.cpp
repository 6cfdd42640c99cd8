// The audio thread's walk through one block: events applied at their frames, the
// arpeggiator stepped at its own frame times, voices and effects rendered in chunks.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

#include "Engine.h"

namespace strobe95 {
namespace {

constexpr uint32_t kExponentBits = 0x7f800000u;

}  // namespace

void Engine::process(float* outLeft, float* outRight, int32_t frames, const EngineEvent* events,
                     int32_t count) {
  std::fill(outLeft, outLeft + std::max(frames, 0), 0.0f);
  std::fill(outRight, outRight + std::max(frames, 0), 0.0f);
  blockStart_ = sampleCounter_;
  int32_t pos = 0;
  int32_t e = 0;
  while (frames > 0 && pos < frames) {
    // Events behind the position reached (faceplate notes after later host events) take
    // effect here, with the events due at it.
    int32_t due = e;
    while (due < count && static_cast<int64_t>(events[due].offset) <= pos) ++due;
    const int32_t end =
        due < count ? static_cast<int32_t>(std::min<int64_t>(events[due].offset, frames)) : frames;
    applyFrame(events + e, due - e, pos);
    e = due;
    renderSegment(outLeft, outRight, pos, end);
    pos = end;
  }
  // Events at the block's end, or every event of an empty block: applied, not rendered.
  if (e < count) applyFrame(events + e, count - e, std::max(frames, 0));
  sampleCounter_ += static_cast<uint64_t>(std::max(frames, 0));
}

void Engine::applyFrame(const EngineEvent* events, int32_t count, int32_t position) {
  // A note starts under every value in force at its frame, whatever the order of the
  // frame's events: values and tempo first, then the switches they move (whose all-notes-off
  // releases only what sounded before this frame), then the notes in their list order.
  for (int32_t i = 0; i < count; ++i) {
    if (!isNoteEvent(events[i].kind)) handleEvent(events[i], position);
  }
  applyParameters();
  for (int32_t i = 0; i < count; ++i) {
    if (isNoteEvent(events[i].kind)) handleEvent(events[i], position);
  }
}

void Engine::renderSegment(float* outLeft, float* outRight, int32_t pos, int32_t end) {
  while (arpOn_) {
    const double now = static_cast<double>(blockStart_ + static_cast<uint64_t>(pos));
    arp_.endNoteIfDue(now);
    if (arp_.canStep()) {
      while (now >= arp_.nextStepTime()) {
        arp_.step(arp_.nextStepTime());
        arp_.advanceStep();
      }
    }
    const double nextStep = arp_.canStep() ? arp_.nextStepTime() : Arpeggiator::kNever;
    const double next = std::min(nextStep, arp_.sounding() ? arp_.noteOffTime() : Arpeggiator::kNever);
    const double ahead = next - static_cast<double>(blockStart_);
    if (!(ahead < Arpeggiator::kNever)) break;  // nothing scheduled (NaN included)
    // Events fall on the first whole frame at or after their exact time.
    const double stop = std::min(std::max(std::ceil(ahead), double(pos + 1)), double(end));
    const auto stopFrame = static_cast<int32_t>(stop);
    renderSpan(outLeft, outRight, pos, stopFrame);
    pos = stopFrame;
    if (pos >= end) return;
  }
  renderSpan(outLeft, outRight, pos, end);
}

void Engine::renderSpan(float* outLeft, float* outRight, int32_t from, int32_t to) {
  while (from < to) {
    const int32_t n = std::min(to - from, kRenderChunk);
    std::fill_n(mixLeft_.begin(), n, 0.0f);
    std::fill_n(mixRight_.begin(), n, 0.0f);

    const bool pending = std::any_of(voices_.begin(), voices_.end(),
                                     [](const VoiceSlot& v) { return v.pendingTrigger; });
    if (pending) {
      // One frame with the stolen voices' gates low, so their envelopes restart.
      renderVoices(0, 1);
      for (VoiceSlot& voice : voices_) {
        if (!voice.pendingTrigger) continue;
        voice.pendingTrigger = false;
        startVoice(voice, voice.pendingKey, voice.pendingVelocity);
      }
      renderVoices(1, n);
    } else {
      renderVoices(0, n);
    }

    std::copy_n(mixLeft_.begin(), n, effectsInLeft_.begin());
    std::copy_n(mixRight_.begin(), n, effectsInRight_.begin());
    float* inputs[] = {effectsInLeft_.data(), effectsInRight_.data()};
    float* outputs[] = {effectsOutLeft_.data(), effectsOutRight_.data()};
    effects_->compute(n, inputs, outputs);
    for (int32_t i = 0; i < n; ++i) {
      outLeft[from + i] += effectsOutLeft_[static_cast<size_t>(i)];
      outRight[from + i] += effectsOutRight_[static_cast<size_t>(i)];
    }
    from += n;
  }
}

void Engine::renderVoices(int32_t from, int32_t to) {
  for (VoiceSlot& voice : voices_) {
    int32_t done = from;
    while (done < to && voice.active) {
      // A released voice is rendered no further than the frame where it would become free,
      // so it is freed on the same frame however the host splits its blocks.
      const bool mayFree = !voice.held && !voice.pendingTrigger;
      int32_t n = to - done;
      if (mayFree) n = std::min(n, kSilenceFrames - voice.silentFrames);
      const int32_t lastLoud = renderVoice(voice, done, n);
      if (!mayFree) {
        voice.silentFrames = 0;
      } else if (lastLoud >= 0) {
        voice.silentFrames = n - 1 - lastLoud;
      } else {
        voice.silentFrames += n;
      }
      if (voice.silentFrames >= kSilenceFrames) {
        voice.active = false;
        voice.key = -1;
      }
      done += n;
    }
  }
}

int32_t Engine::renderVoice(VoiceSlot& voice, int32_t from, int32_t n) {
  if (voiceHasInput_) {
    fillSampleInput(samples_, sampleIndex_, voice.samplePos, voice.sampleStep, sampleInput_.data(), n);
  }
  float* inputs[] = {sampleInput_.data()};
  float* outputs[] = {voiceLeft_.data(), voiceRight_.data()};
  voice.dsp->compute(n, inputs, outputs);

  // Any frame that is infinite or not a number (all exponent bits set) breaks the voice.
  uint32_t broken = 0;
  for (int32_t i = 0; i < n; ++i) {
    const auto j = static_cast<size_t>(i);
    broken |= static_cast<uint32_t>((std::bit_cast<uint32_t>(voiceLeft_[j]) & kExponentBits) == kExponentBits);
    broken |= static_cast<uint32_t>((std::bit_cast<uint32_t>(voiceRight_[j]) & kExponentBits) == kExponentBits);
  }
  int32_t lastLoud = n - 1;
  while (lastLoud >= 0 && !(std::fabs(voiceLeft_[static_cast<size_t>(lastLoud)]) > kSilenceThreshold ||
                            std::fabs(voiceRight_[static_cast<size_t>(lastLoud)]) > kSilenceThreshold)) {
    --lastLoud;
  }
  if (broken != 0) {
    // One bad frame in the effects' lines or tank would keep them silent or broken until
    // reactivation; losing the one voice is the lesser harm.
    silenceBrokenVoice(voice);
    return -1;
  }
  for (int32_t i = 0; i < n; ++i) {
    const auto j = static_cast<size_t>(i);
    mixLeft_[static_cast<size_t>(from + i)] += voiceLeft_[j];
    mixRight_[static_cast<size_t>(from + i)] += voiceRight_[j];
  }
  return lastLoud;
}

void Engine::silenceBrokenVoice(VoiceSlot& voice) {
  voice.dsp->instanceClear();
  if (voice.gateControl) *voice.gateControl = 0.0f;
  if (mono_ && &voice == &voices_[0]) monoStack_.clear();  // the keys it held are lost with it
  voice.gateHigh = false;
  voice.held = false;
  voice.pendingTrigger = false;
  voice.samplePos = -1.0;
  voice.silentFrames = kSilenceFrames;
  voice.active = false;
  voice.key = -1;
}

}  // namespace strobe95
