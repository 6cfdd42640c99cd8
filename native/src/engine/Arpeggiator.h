#pragma once
// Plays the held keys one at a time on a tempo grid, through the engine's own note-on and
// note-off, so stealing, mono, glide and the sample layer apply to its notes too.
#include <array>
#include <cstdint>
#include <limits>

#include "HeldNote.h"

namespace strobe95 {

// What the arpeggiator plays into: the engine.
class NoteSink {
 public:
  virtual void noteOn(uint32_t key, double velocity) = 0;
  virtual void noteOff(uint32_t key) = 0;

 protected:
  ~NoteSink() = default;
};

enum class ArpMode : uint32_t { Up = 0, Down = 1, UpDown = 2, Random = 3, AsPlayed = 4, Pedal = 5 };
enum class ArpFeel : uint32_t { Even = 0, Breathe = 1 };

// Beats per step for "1/8", "1/16", "1/16T", "1/32".
inline constexpr std::array<double, 4> kArpStepBeats = {0.5, 0.25, 1.0 / 6.0, 0.125};
// x plays, . rests, - rests while holding the previous note.
inline constexpr char kBreathePattern[] = "xx.x-x.xx-.";
inline constexpr int kBreatheLength = 11;
inline constexpr uint32_t kArpSeed = 0x9E3779B9u;

class Arpeggiator {
 public:
  static constexpr double kNever = std::numeric_limits<double>::infinity();

  Arpeggiator(NoteSink& sink, double sampleRate) : sink_(sink), sampleRate_(sampleRate) {}

  void setTempo(double bpm) { tempo_ = bpm; }
  void setSettings(ArpMode mode, uint32_t rate, uint32_t octaves, double gate, ArpFeel feel);

  // now: the absolute frame of the press, where a first key places the first step.
  void press(uint32_t key, double velocity, double now);
  void release(uint32_t key);
  void reset();
  // As it was built: no keys, the default settings and tempo, the first random number.
  void restart();
  void step(double t);
  // Releases the sounding note once its time has come.
  void endNoteIfDue(double now);

  // Frames per step; the grid is not run when this is below one frame (no host sends
  // such a tempo, and stepping many times per frame could stall the audio thread).
  double stepLength() const;
  bool canStep() const { return stepLength() >= 1.0; }
  double nextStepTime() const { return nextStepTime_; }
  void advanceStep() { nextStepTime_ += stepLength(); }
  bool sounding() const { return sounding_; }
  double noteOffTime() const { return noteOffTime_; }
  const HeldNotes& held() const { return held_; }

 private:
  static constexpr std::size_t kMaxSequence = kMaxHeldKeys * 4 * 2;
  using Sequence = FixedList<HeldNote, kMaxSequence>;

  void buildSequence();
  std::size_t chooseIndex(uint32_t step);

  NoteSink& sink_;
  double tempo_ = 120.0;
  double sampleRate_;
  ArpMode mode_ = ArpMode::Up;
  uint32_t rate_ = 1;
  uint32_t octaves_ = 1;
  double gate_ = 0.5;
  ArpFeel feel_ = ArpFeel::Even;
  HeldNotes held_;
  uint32_t stepCounter_ = 0;  // unsigned so that a run of days wraps instead of overflowing
  uint32_t patternPos_ = 0;
  double nextStepTime_ = kNever;
  bool sounding_ = false;
  int32_t soundingKey_ = -1;
  double noteOffTime_ = 0.0;
  uint32_t rngState_ = kArpSeed;
  Sequence sequence_;  // rebuilt at every played step; kept here so nothing allocates
};

}  // namespace strobe95
