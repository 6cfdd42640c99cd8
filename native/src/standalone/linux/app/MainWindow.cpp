#include "MainWindow.h"

#include <gdk/gdkx.h>
#include <glib-unix.h>

#include <algorithm>
#include <filesystem>
#include <utility>

#include "Appearance.h"
#include "LinuxMidiBackend.h"
#include "StateCommands.h"

namespace strobe95::standalone::linux_standalone {
namespace {

namespace fs = std::filesystem;

constexpr guint kServicePeriodMs = 8;
constexpr int kEditorlessWidth = 500;
constexpr int kEditorlessHeight = 120;
constexpr int kNoteMargin = 24;
constexpr const char* kNoFaceplateText =
    "The faceplate needs WebKitGTK 4.1, which is not installed.\n"
    "STROBE-95 still plays from MIDI; its settings and state are in the window menu.";

MainWindow* self(gpointer data) { return static_cast<MainWindow*>(data); }

}  // namespace

MainWindow::MainWindow(StandaloneHost& host, std::shared_ptr<Clap::Plugin> plugin)
    : host_(host), plugin_(std::move(plugin)), midi_(dynamic_cast<LinuxMidiBackend*>(host.midiBackend())) {
  window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window_), kWindowTitle);
  gtk_window_set_icon_name(GTK_WINDOW(window_), "strobe-95");
  GtkWidget* header = gtk_header_bar_new();
  gtk_header_bar_set_title(GTK_HEADER_BAR(header), kWindowTitle);
  gtk_header_bar_set_show_close_button(GTK_HEADER_BAR(header), TRUE);
  gtk_window_set_titlebar(GTK_WINDOW(window_), header);
  buildMenu(header);

  area_ = gtk_drawing_area_new();
  gtk_container_add(GTK_CONTAINER(window_), area_);
  g_signal_connect_swapped(window_, "delete-event", G_CALLBACK(+[](gpointer data) -> gboolean {
                             self(data)->close();
                             return TRUE;
                           }), this);
  g_signal_connect(window_, "button-press-event", G_CALLBACK(+[](GtkWidget*, GdkEventButton* event, gpointer data) -> gboolean {
                     if (event->type != GDK_BUTTON_PRESS || event->button != GDK_BUTTON_SECONDARY) return FALSE;
                     gtk_menu_popup_at_pointer(GTK_MENU(self(data)->contextMenu_), reinterpret_cast<GdkEvent*>(event));
                     return TRUE;
                   }), this);
  gtk_widget_add_events(window_, GDK_BUTTON_PRESS_MASK);

  host_.callbacks.guiResize = [this](uint32_t width, uint32_t height) {
    gtk_widget_set_size_request(area_, int(width), int(height));
    gtk_window_resize(GTK_WINDOW(window_), int(width), int(height));
    return true;
  };
  host_.callbacks.errorReport = [this](const std::string& message) { showError(message); };
  settingsDialog_ = std::make_unique<SettingsDialog>(GTK_WINDOW(window_), host_, [this] { return keepPlacement(); });
  host_.callbacks.showSettingsWindow = [this] {
    settingsDialog_->open();
    return true;
  };
  host_.callbacks.deviceListChanged = [this] { settingsDialog_->refreshDevices(); };
  host_.callbacks.settingsStatusChanged = [this] { settingsDialog_->refreshStatus(); };
  host_.callbacks.appearanceChanged = [this] { applyAppearance(host_.screenAppearance()); };
  applyAppearance(host_.screenAppearance());
  followDesktopAppearance();
  for (int signal : {SIGINT, SIGTERM}) {
    g_unix_signal_add(signal, +[](gpointer data) -> gboolean {
      self(data)->close();
      return G_SOURCE_CONTINUE;
    }, this);
  }
}

MainWindow::~MainWindow() {
  host_.callbacks = HostCallbacks{};
  if (serviceSource_) g_source_remove(serviceSource_);
  if (desktopInterface_) g_object_unref(desktopInterface_);
  settingsDialog_.reset();
  if (gui_) gui_->destroy(plugin_->plugin());
  if (contextMenu_) gtk_widget_destroy(contextMenu_);
  if (window_) gtk_widget_destroy(window_);
  if (menu_) g_object_unref(menu_);
  if (actions_) g_object_unref(actions_);
}

void MainWindow::buildMenu(GtkWidget* headerBar) {
  actions_ = g_simple_action_group_new();
  struct Command {
    const char* name;
    void (*run)(MainWindow&);
  };
  static const Command commands[] = {
      {"settings", [](MainWindow& w) { w.settingsDialog_->open(); }},
      {"save", [](MainWindow& w) { w.chooseStateFile(true); }},
      {"load", [](MainWindow& w) { w.chooseStateFile(false); }},
      {"reset", [](MainWindow& w) {
         if (const auto failure = resetState(w.host_)) w.showError(*failure);
       }},
  };
  for (const Command& command : commands) {
    GSimpleAction* action = g_simple_action_new(command.name, nullptr);
    g_signal_connect(action, "activate", G_CALLBACK(+[](GSimpleAction* a, GVariant*, gpointer data) {
                       const char* name = g_action_get_name(G_ACTION(a));
                       for (const Command& c : commands) {
                         if (g_strcmp0(c.name, name) == 0) c.run(*self(data));
                       }
                     }), this);
    g_action_map_add_action(G_ACTION_MAP(actions_), G_ACTION(action));
    g_object_unref(action);
  }
  const bool session = host_.pluginStatePersistence() == kPersistSession;
  restoreAction_ = g_simple_action_new_stateful("restore", nullptr, g_variant_new_boolean(session));
  g_signal_connect(restoreAction_, "activate", G_CALLBACK(+[](GSimpleAction* a, GVariant*, gpointer data) {
                     const bool on = toggleSessionRestore(self(data)->host_);
                     g_simple_action_set_state(a, g_variant_new_boolean(on));
                   }), this);
  g_action_map_add_action(G_ACTION_MAP(actions_), G_ACTION(restoreAction_));
  g_object_unref(restoreAction_);
  gtk_widget_insert_action_group(window_, "win", G_ACTION_GROUP(actions_));

  menu_ = g_menu_new();
  GMenu* settings = g_menu_new();
  g_menu_append(settings, "Audio/MIDI Settings", "win.settings");
  g_menu_append_section(menu_, nullptr, G_MENU_MODEL(settings));
  g_object_unref(settings);
  GMenu* files = g_menu_new();
  g_menu_append(files, "Save state...", "win.save");
  g_menu_append(files, "Load state...", "win.load");
  g_menu_append(files, "Reset state", "win.reset");
  g_menu_append_section(menu_, nullptr, G_MENU_MODEL(files));
  g_object_unref(files);
  GMenu* restore = g_menu_new();
  g_menu_append(restore, "Restore last session", "win.restore");
  g_menu_append_section(menu_, nullptr, G_MENU_MODEL(restore));
  g_object_unref(restore);

  GtkWidget* button = gtk_menu_button_new();
  gtk_menu_button_set_menu_model(GTK_MENU_BUTTON(button), G_MENU_MODEL(menu_));
  gtk_button_set_image(GTK_BUTTON(button), gtk_image_new_from_icon_name("open-menu-symbolic", GTK_ICON_SIZE_BUTTON));
  gtk_widget_set_tooltip_text(button, "Menu");
  gtk_header_bar_pack_end(GTK_HEADER_BAR(headerBar), button);

  // F10 opens the menu, as in GNOME's own programs; Ctrl+S and Ctrl+O save and load.
  GtkAccelGroup* keys = gtk_accel_group_new();
  gtk_accel_group_connect(keys, GDK_KEY_F10, GdkModifierType(0), GTK_ACCEL_VISIBLE,
                          g_cclosure_new_swap(G_CALLBACK(+[](gpointer data) -> gboolean {
                                                gtk_widget_activate(GTK_WIDGET(data));
                                                return TRUE;
                                              }), button, nullptr));
  for (const auto& [key, name] : {std::pair{GDK_KEY_s, "save"}, std::pair{GDK_KEY_o, "load"}}) {
    gtk_accel_group_connect(keys, key, GDK_CONTROL_MASK, GTK_ACCEL_VISIBLE,
                            g_cclosure_new(G_CALLBACK(+[](GtkAccelGroup*, GObject*, guint, GdkModifierType, gpointer data) -> gboolean {
                                             g_action_activate(G_ACTION(data), nullptr);
                                             return TRUE;
                                           }), g_action_map_lookup_action(G_ACTION_MAP(actions_), name), nullptr));
  }
  gtk_window_add_accel_group(GTK_WINDOW(window_), keys);
  g_object_unref(keys);

  contextMenu_ = gtk_menu_new_from_model(G_MENU_MODEL(menu_));
  gtk_menu_attach_to_widget(GTK_MENU(contextMenu_), window_, nullptr);
}

void MainWindow::embedEditor() {
  const clap_plugin_t* p = plugin_->plugin();
  gui_ = plugin_->extensions().gui;
  // An editor that cannot be created is no editor: nothing else may be asked of it.
  if (gui_ && (!gui_->is_api_supported(p, CLAP_WINDOW_API_X11, false) || !gui_->create(p, CLAP_WINDOW_API_X11, false))) {
    gui_ = nullptr;
  }
  if (gui_) {
    uint32_t width = 0, height = 0;
    if (gui_->get_size(p, &width, &height)) gtk_widget_set_size_request(area_, int(width), int(height));
    gtk_widget_realize(area_);
    GdkWindow* native = gtk_widget_get_window(area_);
    gdk_window_ensure_native(native);
    clap_window_t window{};
    window.api = CLAP_WINDOW_API_X11;
    window.x11 = gdk_x11_window_get_xid(native);
    if (gui_->set_parent(p, &window)) {
      gui_->show(p);
      return;
    }
    gui_->destroy(p);
    gui_ = nullptr;
  }
  // No faceplate to show: the window carries a short note instead.
  gtk_container_remove(GTK_CONTAINER(window_), area_);
  area_ = nullptr;
  GtkWidget* note = gtk_label_new(kNoFaceplateText);
  gtk_label_set_justify(GTK_LABEL(note), GTK_JUSTIFY_CENTER);
  gtk_widget_set_margin_start(note, kNoteMargin);
  gtk_widget_set_margin_end(note, kNoteMargin);
  gtk_widget_set_size_request(note, kEditorlessWidth, kEditorlessHeight);
  gtk_container_add(GTK_CONTAINER(window_), note);
}

void MainWindow::restorePlacement() {
  const auto& stored = host_.settings().window;
  if (!stored || stored->width == 0 || stored->height == 0) return;
  gtk_window_move(GTK_WINDOW(window_), stored->x, stored->y);
}

void MainWindow::followDesktopAppearance() {
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  GSettingsSchema* schema = source ? g_settings_schema_source_lookup(source, "org.gnome.desktop.interface", TRUE) : nullptr;
  if (!schema) return;
  if (g_settings_schema_has_key(schema, "color-scheme")) {
    desktopInterface_ = g_settings_new("org.gnome.desktop.interface");
    g_signal_connect_swapped(desktopInterface_, "changed::color-scheme", G_CALLBACK(+[](gpointer data) {
                               MainWindow& w = *self(data);
                               if (w.host_.screenAppearance() == kAppearanceAuto) applyAppearance(kAppearanceAuto);
                             }), this);
  }
  g_settings_schema_unref(schema);
}

bool MainWindow::keepPlacement() {
  int x = 0, y = 0, width = 0, height = 0;
  gtk_window_get_position(GTK_WINDOW(window_), &x, &y);
  gtk_window_get_size(GTK_WINDOW(window_), &width, &height);
  storeWindowPlacement(host_.settings(), {x, y, uint32_t(std::max(width, 0)), uint32_t(std::max(height, 0))});
  try {
    return host_.saveSettings();
  } catch (const std::exception&) {
    return false;  // an unwritable settings folder costs only what this run changed
  }
}

void MainWindow::showError(const std::string& message) {
  if (message.empty() || message == lastError_) return;
  lastError_ = message;
  GtkWidget* dialog = gtk_message_dialog_new(GTK_WINDOW(window_), GTK_DIALOG_DESTROY_WITH_PARENT, GTK_MESSAGE_ERROR,
                                             GTK_BUTTONS_CLOSE, "%s", message.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), kWindowTitle);
  g_signal_connect_swapped(dialog, "response", G_CALLBACK(+[](gpointer data) {
                             gtk_widget_destroy(GTK_WIDGET(data));
                           }), dialog);
  g_signal_connect_swapped(dialog, "destroy", G_CALLBACK(+[](gpointer data) { self(data)->lastError_.clear(); }), this);
  gtk_widget_show(dialog);
}

void MainWindow::chooseStateFile(bool save) {
  GtkFileChooserNative* chooser = gtk_file_chooser_native_new(save ? "Save state" : "Load state", GTK_WINDOW(window_),
                                                              save ? GTK_FILE_CHOOSER_ACTION_SAVE
                                                                   : GTK_FILE_CHOOSER_ACTION_OPEN,
                                                              save ? "_Save" : "_Open", "_Cancel");
  GtkFileFilter* filter = gtk_file_filter_new();
  gtk_file_filter_set_name(filter, "clapstate");
  gtk_file_filter_add_pattern(filter, "*.clapstate");
  gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(chooser), filter);
  if (save) {
    gtk_file_chooser_set_do_overwrite_confirmation(GTK_FILE_CHOOSER(chooser), TRUE);
    gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(chooser), "state.clapstate");
  }
  if (gtk_native_dialog_run(GTK_NATIVE_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT) {
    if (char* name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser))) {
      fs::path picked(name);
      g_free(name);
      // A typed name without the extension gets it, as the Windows dialog gives it.
      if (save && picked.extension().empty()) picked += ".clapstate";
      const auto failure = save ? saveStateFile(host_, picked) : loadStateFile(host_, picked);
      if (failure) showError(*failure);
    }
  }
  g_object_unref(chooser);
}

void MainWindow::close() {
  if (closing_) return;
  closing_ = true;
  settingsDialog_->cancel();  // a choice still being tried is not what the user kept
  keepPlacement();
  // Gone at once for the user, though taking the faceplate down may take a moment.
  gtk_widget_hide(window_);
  gtk_main_quit();
}

gboolean MainWindow::service(gpointer data) {
  MainWindow& w = *self(data);
  w.host_.mainThreadService();
  if (w.midi_) w.midi_->followPorts(w.host_);
  return G_SOURCE_CONTINUE;
}

void MainWindow::run() {
  restorePlacement();
  gtk_widget_show_all(window_);
  embedEditor();
  gtk_widget_show_all(window_);
  serviceSource_ = g_timeout_add(kServicePeriodMs, service, this);
  gtk_main();
}

}  // namespace strobe95::standalone::linux_standalone
