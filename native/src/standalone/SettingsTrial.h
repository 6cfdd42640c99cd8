#pragma once
// The settings dialog's life with the host: each audio choice is tried at once while the
// dialog is open, OK stores what runs and the MIDI ports checked, Cancel goes back to the
// stored settings. Both programs' dialogs drive it from their controls.
#include <cstdint>
#include <vector>

#include "SettingsForm.h"
#include "StandaloneHost.h"

namespace strobe95::standalone {

class SettingsTrial {
 public:
  SettingsTrial(StandaloneHost& host, SettingsForm& form) : host_(host), form_(form) {}

  void open();  // fills the form from what runs
  // Runs the form's choice unless it runs already. False when it could not run: the
  // host's previous choice is back and the form is filled again from it.
  bool tryChoice();
  void selectApi(int row);            // and tries the new API's choice
  void resetToSystemDefault();        // shows the defaults and tries them
  bool choiceRuns() const;            // the form's choice is what plays now
  std::string latencyLine() const;    // empty unless the form's choice plays
  // Stores the running choice, the checked MIDI rows (row for row with the form's) and
  // the appearance into the settings; the caller saves them.
  void accept(const std::vector<bool>& midiInputMarks, const std::vector<bool>& midiOutputMarks);
  void cancel();  // as Cancel or closing the dialog; after accept it only ends the trial
  bool acceptedLast() const { return accepted_; }

 private:
  StandaloneHost& host_;
  SettingsForm& form_;
  bool accepted_ = false;
  bool audioChanged_ = false;
  bool apiChanged_ = false;
  int32_t openingAppearance_ = 0;
};

}  // namespace strobe95::standalone
