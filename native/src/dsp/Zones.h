#pragma once
// Collects the controls a processor reports, so the engine can write them by label.
#include <string>
#include <string_view>
#include <vector>

#include "DspInterface.h"

namespace strobe95 {

struct ZoneEntry {
  std::string label;
  float* zone;  // inside the processor; valid for its lifetime
};

class Zones : public faust::UI {
 public:
  void openTabBox(const char*) override {}
  void openHorizontalBox(const char*) override {}
  void openVerticalBox(const char*) override {}
  void closeBox() override {}
  void addButton(const char* label, float* zone) override { addZone(label, zone); }
  void addCheckButton(const char* label, float* zone) override { addZone(label, zone); }
  void addVerticalSlider(const char* label, float* zone, float, float, float, float) override {
    addZone(label, zone);
  }
  void addHorizontalSlider(const char* label, float* zone, float, float, float, float) override {
    addZone(label, zone);
  }
  void addNumEntry(const char* label, float* zone, float, float, float, float) override {
    addZone(label, zone);
  }
  void addHorizontalBargraph(const char*, float*, float, float) override {}
  void addVerticalBargraph(const char*, float*, float, float) override {}
  void addSoundfile(const char*, const char*, void**) override {}
  void declare(float*, const char*, const char*) override {}

  virtual void addZone(const char* label, float* zone) { entries_.push_back({label, zone}); }

  // The first control with exactly this label, or null.
  float* find(std::string_view label) const {
    for (const ZoneEntry& entry : entries_) {
      if (entry.label == label) return entry.zone;
    }
    return nullptr;
  }
  const std::vector<ZoneEntry>& entries() const { return entries_; }

 private:
  std::vector<ZoneEntry> entries_;
};

}  // namespace strobe95
