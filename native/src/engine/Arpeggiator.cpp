#include "Arpeggiator.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace strobe95 {

void Arpeggiator::setSettings(ArpMode mode, uint32_t rate, uint32_t octaves, double gate, ArpFeel feel) {
  mode_ = mode;
  rate_ = rate;
  octaves_ = octaves;
  gate_ = gate;
  feel_ = feel;
}

double Arpeggiator::stepLength() const { return 60.0 / tempo_ * kArpStepBeats[rate_] * sampleRate_; }

void Arpeggiator::press(uint32_t key, double velocity, double now) {
  if (held_.empty()) {
    // The grid starts on the first key's own frame, not on the host's bar.
    nextStepTime_ = now;
    if (sounding_) sink_.noteOff(static_cast<uint32_t>(soundingKey_));
    stepCounter_ = patternPos_ = 0;
    sounding_ = false;
    rngState_ = kArpSeed;
  }
  pressKey(held_, key, velocity);
}

void Arpeggiator::release(uint32_t key) {
  releaseKey(held_, key);
  if (held_.empty()) nextStepTime_ = kNever;  // no latch: the sounding note still ends on time
}

void Arpeggiator::reset() {
  held_.clear();
  if (sounding_) sink_.noteOff(static_cast<uint32_t>(soundingKey_));
  stepCounter_ = patternPos_ = 0;
  nextStepTime_ = kNever;
  sounding_ = false;
  rngState_ = kArpSeed;
}

void Arpeggiator::restart() {
  NoteSink& sink = sink_;
  const double sampleRate = sampleRate_;
  std::destroy_at(this);
  std::construct_at(this, sink, sampleRate);
}

void Arpeggiator::endNoteIfDue(double now) {
  if (sounding_ && now >= noteOffTime_) {
    sink_.noteOff(static_cast<uint32_t>(soundingKey_));
    sounding_ = false;
  }
}

void Arpeggiator::buildSequence() {
  sequence_.clear();
  FixedList<HeldNote, kMaxHeldKeys> ordered = held_;
  if (mode_ != ArpMode::AsPlayed) {
    // Insertion sort: stable like std::stable_sort, which may allocate a buffer.
    for (std::size_t i = 1; i < ordered.size(); ++i) {
      const HeldNote note = ordered[i];
      std::size_t j = i;
      for (; j > 0 && ordered[j - 1].key > note.key; --j) ordered[j] = ordered[j - 1];
      ordered[j] = note;
    }
  }
  for (uint32_t octave = 0; octave < octaves_; ++octave) {
    for (const HeldNote& note : ordered) sequence_.push_back({note.key + 12 * octave, note.velocity});
  }
  if (mode_ == ArpMode::Down) std::reverse(sequence_.begin(), sequence_.end());
  if (mode_ == ArpMode::UpDown && sequence_.size() >= 3) {
    // Back down without repeating either end.
    for (std::size_t i = sequence_.size() - 2; i >= 1; --i) sequence_.push_back(sequence_[i]);
  }
}

std::size_t Arpeggiator::chooseIndex(uint32_t step) {
  const auto length = static_cast<uint32_t>(sequence_.size());
  switch (mode_) {
    case ArpMode::Random:
      rngState_ = rngState_ * 1664525u + 1013904223u;
      ++patternPos_;
      return rngState_ % length;
    case ArpMode::Pedal: {
      // The pedal (lowest note) falls on every beat, counted on the raw step counter.
      const auto stepsPerBeat = static_cast<uint32_t>(std::max(1L, std::lround(1.0 / kArpStepBeats[rate_])));
      if (step % stepsPerBeat != 0 && length >= 2) {
        const uint32_t index = 1 + patternPos_ % (length - 1);
        ++patternPos_;
        return static_cast<std::size_t>(index);
      }
      return 0;
    }
    default: {
      const uint32_t index = patternPos_ % length;
      ++patternPos_;
      return static_cast<std::size_t>(index);
    }
  }
}

void Arpeggiator::step(double t) {
  const uint32_t s = stepCounter_;
  const bool breathe = feel_ == ArpFeel::Breathe;
  const char c = breathe ? kBreathePattern[s % kBreatheLength] : 'x';
  stepCounter_ = s + 1;
  if (c != 'x') return;

  buildSequence();
  if (sequence_.empty()) return;
  const HeldNote note = sequence_[chooseIndex(s)];

  uint32_t ties = 0;
  if (breathe) {
    while (ties < kBreatheLength && kBreathePattern[(s + 1 + ties) % kBreatheLength] == '-') ++ties;
  }
  if (sounding_) sink_.noteOff(static_cast<uint32_t>(soundingKey_));
  sink_.noteOn(note.key, note.velocity);
  sounding_ = true;
  soundingKey_ = static_cast<int32_t>(note.key);
  noteOffTime_ = t + stepLength() * (ties + gate_);
}

}  // namespace strobe95
