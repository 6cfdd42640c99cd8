#pragma once
// The interface both signal processors share, and the visitor through which they report
// their controls. The engine knows the processors only through these two classes.

namespace strobe95::faust {

class UI {
 public:
  virtual ~UI() = default;
  virtual void openTabBox(const char* label) = 0;
  virtual void openHorizontalBox(const char* label) = 0;
  virtual void openVerticalBox(const char* label) = 0;
  virtual void closeBox() = 0;
  virtual void addButton(const char* label, float* zone) = 0;
  virtual void addCheckButton(const char* label, float* zone) = 0;
  virtual void addVerticalSlider(const char* label, float* zone, float init, float min, float max,
                                 float step) = 0;
  virtual void addHorizontalSlider(const char* label, float* zone, float init, float min, float max,
                                   float step) = 0;
  virtual void addNumEntry(const char* label, float* zone, float init, float min, float max,
                           float step) = 0;
  virtual void addHorizontalBargraph(const char* label, float* zone, float min, float max) = 0;
  virtual void addVerticalBargraph(const char* label, float* zone, float min, float max) = 0;
  virtual void addSoundfile(const char* label, const char* url, void** soundfile) = 0;
  virtual void declare(float* zone, const char* key, const char* value) = 0;
};

class dsp {
 public:
  virtual ~dsp() = default;
  virtual int getNumInputs() = 0;
  virtual int getNumOutputs() = 0;
  // Stores the rate and computes every constant that depends only on it.
  virtual void instanceConstants(int sampleRate) = 0;
  // Stores every control's default.
  virtual void instanceResetUserInterface() = 0;
  // Zeroes all signal state, delay lines and write indices.
  virtual void instanceClear() = 0;
  virtual void init(int sampleRate) = 0;
  virtual void instanceInit(int sampleRate) = 0;
  // A copy of the whole processor, state and delay lines included.
  virtual dsp* clone() = 0;
  virtual int getSampleRate() = 0;
  virtual void buildUserInterface(UI* ui) = 0;
  // Writes (never adds) the frames; a count below 1 renders nothing and changes nothing.
  virtual void compute(int count, float** inputs, float** outputs) = 0;
};

}  // namespace strobe95::faust
