#include <gtest/gtest.h>

#include "Zones.h"

namespace strobe95 {
namespace {

// A processor that reports one control through every operation a processor may use.
class EveryOperation : public faust::dsp {
 public:
  int getNumInputs() override { return 0; }
  int getNumOutputs() override { return 0; }
  void instanceConstants(int) override {}
  void instanceResetUserInterface() override {}
  void instanceClear() override {}
  void init(int) override {}
  void instanceInit(int) override {}
  dsp* clone() override { return new EveryOperation(*this); }
  int getSampleRate() override { return 0; }
  void compute(int, float**, float**) override {}
  void buildUserInterface(faust::UI* ui) override {
    ui->openTabBox("tabs");
    ui->openHorizontalBox("row");
    ui->openVerticalBox("STROBE-95");
    ui->declare(&zones[0], "key", "value");
    ui->addButton("button", &zones[0]);
    ui->addCheckButton("check", &zones[1]);
    ui->addVerticalSlider("vertical", &zones[2], 0, 0, 1, 0.1f);
    ui->addHorizontalSlider("cutoff", &zones[3], 0, 0, 1, 0.1f);
    ui->addNumEntry("entry", &zones[4], 0, 0, 1, 0.1f);
    ui->addHorizontalBargraph("meter", &zones[5], 0, 1);
    ui->addVerticalBargraph("meter2", &zones[6], 0, 1);
    ui->addSoundfile("sound", "url", nullptr);
    ui->closeBox();
  }
  float zones[7] = {};
};

TEST(Zones, RecordsControlsAndIgnoresBoxesAndMeters) {
  EveryOperation processor;
  Zones zones;
  processor.buildUserInterface(&zones);
  ASSERT_EQ(zones.entries().size(), 5u);
  const char* labels[] = {"button", "check", "vertical", "cutoff", "entry"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(zones.entries()[i].label, labels[i]);
    EXPECT_EQ(zones.find(labels[i]), &processor.zones[i]);
  }
  for (const char* missing : {"meter", "meter2", "sound", "STROBE-95", "Cutoff", "cutoff ", "cut", ""}) {
    EXPECT_EQ(zones.find(missing), nullptr) << missing;
  }
}

}  // namespace
}  // namespace strobe95
