#pragma once
// The Audio/MIDI settings dialog of strobe-95: a non-modal GTK dialog beside the main
// window whose audio choices are tried at once; OK keeps and saves them, Cancel or
// closing it goes back to the stored settings. The lists come from the core's form;
// each has a mnemonic, so the dialog works from the keyboard alone.
#include <gtk/gtk.h>

#include <functional>
#include <vector>

#include "SettingsForm.h"
#include "SettingsTrial.h"
#include "StandaloneHost.h"

namespace strobe95::standalone::linux_standalone {

inline constexpr const char* kSettingsDialogTitle = "Audio/MIDI Settings";

class SettingsDialog {
 public:
  // `save` stores the settings with the main window's place; false when it could not.
  SettingsDialog(GtkWindow* owner, StandaloneHost& host, std::function<bool()> save);
  ~SettingsDialog();
  SettingsDialog(const SettingsDialog&) = delete;
  SettingsDialog& operator=(const SettingsDialog&) = delete;

  bool isVisible() const { return gtk_widget_get_visible(dialog_); }
  void open();
  void cancel();
  void refreshDevices();
  void refreshStatus();

 private:
  GtkWidget* addRow(const char* label, GtkWidget* control);
  GtkWidget* addCombo(const char* label, void (*picked)(SettingsDialog&, int row));
  GtkWidget* addMidiList(const char* label, GtkWidget** box);
  void showAudioLists();
  void showDependentLists();
  void showMidi();
  void updateNotes();
  void tryChoice();
  void accept();
  std::vector<bool> checkMarks(GtkWidget* box) const;

  StandaloneHost& host_;
  std::function<bool()> save_;
  SettingsForm form_;
  SettingsTrial trial_;
  GtkWidget* dialog_ = nullptr;
  GtkWidget* grid_ = nullptr;
  int rows_ = 0;
  GtkWidget *apiList_ = nullptr, *outputList_ = nullptr, *outputChannelList_ = nullptr, *inputList_ = nullptr,
            *inputChannelList_ = nullptr, *note_ = nullptr, *rateList_ = nullptr, *bufferList_ = nullptr,
            *noCommonRate_ = nullptr, *latency_ = nullptr, *midiInputLabel_ = nullptr, *midiInputs_ = nullptr,
            *midiOutputLabel_ = nullptr, *midiOutputs_ = nullptr, *appearanceList_ = nullptr;
  bool filling_ = false;  // the lists are being filled: their signals are ours
};

}  // namespace strobe95::standalone::linux_standalone
