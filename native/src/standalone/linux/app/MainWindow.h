#pragma once
// strobe-95's window: the faceplate (the plugin's own editor, embedded through clap.gui's
// "x11" API as a workstation embeds it) under a header bar whose menu, also the window's
// context menu, holds the settings dialog and the state commands. The host's service runs from the GTK loop.
#include <gtk/gtk.h>

#include <memory>
#include <string>

#include "ClapPlugin.h"
#include "SettingsDialog.h"
#include "StandaloneHost.h"

namespace strobe95::standalone::linux_standalone {

class LinuxMidiBackend;

inline constexpr const char* kWindowTitle = "STROBE-95";

class MainWindow {
 public:
  MainWindow(StandaloneHost& host, std::shared_ptr<Clap::Plugin> plugin);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Shows the window and runs until it is closed, or SIGINT or SIGTERM arrives.
  void run();

 private:
  void buildMenu(GtkWidget* headerBar);
  void embedEditor();
  void restorePlacement();
  bool keepPlacement();  // with the settings; false when they could not be saved
  void followDesktopAppearance();
  void showError(const std::string& message);
  void chooseStateFile(bool save);
  void close();
  static gboolean service(gpointer self);

  StandaloneHost& host_;
  std::shared_ptr<Clap::Plugin> plugin_;
  LinuxMidiBackend* midi_ = nullptr;
  GtkWidget* window_ = nullptr;
  GtkWidget* area_ = nullptr;     // the X window the editor is parented to
  GtkWidget* contextMenu_ = nullptr;
  std::unique_ptr<SettingsDialog> settingsDialog_;
  GSettings* desktopInterface_ = nullptr;  // where GNOME says light or dark; null elsewhere
  GMenu* menu_ = nullptr;
  GSimpleActionGroup* actions_ = nullptr;
  GSimpleAction* restoreAction_ = nullptr;
  const clap_plugin_gui_t* gui_ = nullptr;  // null when there is no editor
  guint serviceSource_ = 0;
  std::string lastError_;
  bool closing_ = false;
};

}  // namespace strobe95::standalone::linux_standalone
