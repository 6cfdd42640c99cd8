#include "SettingsDialog.h"

#include <utility>

namespace strobe95::standalone::linux_standalone {
namespace {

constexpr int kMargin = 20;
constexpr int kRowGap = 8;
constexpr int kControlWidth = 320;
constexpr int kMidiListHeight = 84;

using Picked = void (*)(SettingsDialog&, int row);

void show(GtkWidget* combo, const FormList& list) {
  gtk_combo_box_text_remove_all(GTK_COMBO_BOX_TEXT(combo));
  for (const std::string& label : list.labels) gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), label.c_str());
  gtk_combo_box_set_active(GTK_COMBO_BOX(combo), list.selected);
  gtk_widget_set_sensitive(combo, !list.labels.empty());
}

GtkWidget* secondaryLabel() {
  GtkWidget* label = gtk_label_new("");
  gtk_label_set_xalign(GTK_LABEL(label), 0);
  gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
  gtk_label_set_max_width_chars(GTK_LABEL(label), 44);
  gtk_style_context_add_class(gtk_widget_get_style_context(label), "dim-label");
  gtk_widget_set_no_show_all(label, TRUE);
  return label;
}

void setShown(GtkWidget* widget, bool shown) { gtk_widget_set_visible(widget, shown); }

}  // namespace

SettingsDialog::SettingsDialog(GtkWindow* owner, StandaloneHost& host, std::function<bool()> save)
    : host_(host), save_(std::move(save)), form_(host), trial_(host, form_) {
  dialog_ = gtk_dialog_new_with_buttons(kSettingsDialogTitle, owner, GTK_DIALOG_DESTROY_WITH_PARENT, "_Cancel",
                                        GTK_RESPONSE_CANCEL, "_OK", GTK_RESPONSE_OK, nullptr);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog_), GTK_RESPONSE_OK);
  gtk_window_set_resizable(GTK_WINDOW(dialog_), FALSE);
  gtk_window_set_position(GTK_WINDOW(dialog_), GTK_WIN_POS_CENTER_ON_PARENT);
  g_signal_connect(dialog_, "response", G_CALLBACK(+[](GtkDialog*, gint response, gpointer data) {
                     auto& self = *static_cast<SettingsDialog*>(data);
                     if (response == GTK_RESPONSE_OK) self.accept();
                     else self.cancel();
                   }), this);
  g_signal_connect(dialog_, "delete-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer data) -> gboolean {
                     static_cast<SettingsDialog*>(data)->cancel();
                     return TRUE;  // the dialog lives as long as the main window
                   }), this);

  grid_ = gtk_grid_new();
  gtk_grid_set_row_spacing(GTK_GRID(grid_), kRowGap);
  gtk_grid_set_column_spacing(GTK_GRID(grid_), kRowGap);
  gtk_container_set_border_width(GTK_CONTAINER(grid_), kMargin);
  gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog_))), grid_, TRUE, TRUE, 0);

  const clap_plugin_t* plugin = host_.plugin() ? host_.plugin()->plugin() : nullptr;
  const std::string name = plugin && plugin->desc && plugin->desc->name ? plugin->desc->name : "";
  GtkWidget* heading = gtk_label_new(nullptr);
  char* markup = g_markup_printf_escaped("<b>Audio/MIDI Setup for %s</b>", name.c_str());
  gtk_label_set_markup(GTK_LABEL(heading), markup);
  g_free(markup);
  gtk_label_set_xalign(GTK_LABEL(heading), 0);
  gtk_grid_attach(GTK_GRID(grid_), heading, 0, rows_++, 2, 1);
  gtk_grid_attach(GTK_GRID(grid_), gtk_separator_new(GTK_ORIENTATION_HORIZONTAL), 0, rows_++, 2, 1);

  apiList_ = addCombo("Audio _API:", [](SettingsDialog& d, int at) {
    d.trial_.selectApi(at);
    d.showAudioLists();
    d.showMidi();
  });
  outputList_ = addCombo("O_utput:", [](SettingsDialog& d, int at) {
    d.form_.pickOutput(at);
    d.showDependentLists();
    d.tryChoice();
  });
  outputChannelList_ = addCombo("Output Channels:", [](SettingsDialog& d, int at) {
    SettingsForm::pick(d.form_.outputChannels, at);
    d.tryChoice();
  });
  inputList_ = addCombo("_Input:", [](SettingsDialog& d, int at) {
    d.form_.pickInput(at);
    d.showDependentLists();
    d.tryChoice();
  });
  inputChannelList_ = addCombo(form_.monoInput() ? "Input Channel:" : "Input Channels:", [](SettingsDialog& d, int at) {
    SettingsForm::pick(d.form_.inputChannels, at);
    d.tryChoice();
  });
  note_ = addRow(nullptr, secondaryLabel());
  rateList_ = addCombo("_Sample Rate:", [](SettingsDialog& d, int at) {
    d.form_.pickRate(at);
    d.showDependentLists();
    d.tryChoice();
  });
  bufferList_ = addCombo("_Buffer Size:", [](SettingsDialog& d, int at) {
    SettingsForm::pick(d.form_.buffers, at);
    d.tryChoice();
  });
  GtkWidget* reset = addRow(nullptr, gtk_button_new_with_mnemonic("Reset to System _Default"));
  g_signal_connect(reset, "clicked", G_CALLBACK(+[](GtkButton*, gpointer data) {
                     auto& self = *static_cast<SettingsDialog*>(data);
                     self.trial_.resetToSystemDefault();
                     self.showAudioLists();
                   }), this);
  noCommonRate_ = addRow(nullptr, secondaryLabel());
  gtk_label_set_text(GTK_LABEL(noCommonRate_), "These devices have no sample rate in common.");
  latency_ = addRow(nullptr, secondaryLabel());
  midiInputLabel_ = addMidiList("MIDI Inputs:", &midiInputs_);
  midiOutputLabel_ = addMidiList("MIDI Outputs:", &midiOutputs_);
  appearanceList_ = addCombo("Appea_rance:", [](SettingsDialog& d, int at) {
    if (at >= 0) d.host_.setScreenAppearance(at, true);
  });
  filling_ = true;
  show(appearanceList_, {{"Auto", "Light", "Dark"}, host_.screenAppearance()});
  filling_ = false;

  const PortLayout& ports = host_.portLayout();
  const bool notesIn = ports.acceptsMidi || ports.acceptsClapNotes;
  for (GtkWidget* w : {midiInputLabel_, gtk_widget_get_parent(gtk_widget_get_parent(midiInputs_))}) {
    gtk_widget_set_no_show_all(w, !notesIn);
  }
  for (GtkWidget* w : {midiOutputLabel_, gtk_widget_get_parent(gtk_widget_get_parent(midiOutputs_))}) {
    gtk_widget_set_no_show_all(w, !ports.hasMidiOutput);
  }
  gtk_widget_show_all(grid_);
}

SettingsDialog::~SettingsDialog() { gtk_widget_destroy(dialog_); }

GtkWidget* SettingsDialog::addRow(const char* label, GtkWidget* control) {
  if (label) {
    GtkWidget* text = gtk_label_new_with_mnemonic(label);
    gtk_label_set_mnemonic_widget(GTK_LABEL(text), control);
    gtk_label_set_xalign(GTK_LABEL(text), 1);
    gtk_grid_attach(GTK_GRID(grid_), text, 0, rows_, 1, 1);
  }
  gtk_widget_set_size_request(control, kControlWidth, -1);
  gtk_widget_set_hexpand(control, TRUE);
  gtk_grid_attach(GTK_GRID(grid_), control, 1, rows_++, 1, 1);
  return control;
}

GtkWidget* SettingsDialog::addCombo(const char* label, Picked picked) {
  GtkWidget* combo = addRow(label, gtk_combo_box_text_new());
  g_object_set_data(G_OBJECT(combo), "picked", reinterpret_cast<gpointer>(picked));
  g_signal_connect(combo, "changed", G_CALLBACK(+[](GtkComboBox* box, gpointer data) {
                     auto& self = *static_cast<SettingsDialog*>(data);
                     if (self.filling_) return;
                     reinterpret_cast<Picked>(g_object_get_data(G_OBJECT(box), "picked"))(self, gtk_combo_box_get_active(box));
                   }), this);
  return combo;
}

GtkWidget* SettingsDialog::addMidiList(const char* label, GtkWidget** box) {
  *box = gtk_list_box_new();
  gtk_list_box_set_selection_mode(GTK_LIST_BOX(*box), GTK_SELECTION_NONE);
  GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_NEVER, GTK_POLICY_AUTOMATIC);
  gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroller), GTK_SHADOW_IN);
  gtk_widget_set_size_request(scroller, kControlWidth, kMidiListHeight);
  gtk_container_add(GTK_CONTAINER(scroller), *box);
  GtkWidget* text = gtk_label_new(label);
  gtk_label_set_xalign(GTK_LABEL(text), 1);
  gtk_label_set_yalign(GTK_LABEL(text), 0);
  gtk_label_set_justify(GTK_LABEL(text), GTK_JUSTIFY_RIGHT);
  gtk_grid_attach(GTK_GRID(grid_), text, 0, rows_, 1, 1);
  gtk_grid_attach(GTK_GRID(grid_), scroller, 1, rows_++, 1, 1);
  return text;
}

void SettingsDialog::showAudioLists() {
  filling_ = true;
  show(apiList_, form_.apis);
  show(outputList_, form_.outputs);
  show(inputList_, form_.inputs);
  gtk_combo_box_set_active(GTK_COMBO_BOX(appearanceList_), host_.screenAppearance());
  filling_ = false;
  showDependentLists();
}

void SettingsDialog::showDependentLists() {
  filling_ = true;
  show(outputChannelList_, form_.outputChannels);
  show(inputChannelList_, form_.inputChannels);
  show(rateList_, form_.rates);
  show(bufferList_, form_.buffers);
  filling_ = false;
  setShown(noCommonRate_, form_.noCommonRate());
  updateNotes();
}

void SettingsDialog::showMidi() {
  auto fill = [](GtkWidget* box, GtkWidget* label, const std::vector<MidiPortRow>& rows, const char* title,
                 const char* none) {
    GList* children = gtk_container_get_children(GTK_CONTAINER(box));
    for (GList* child = children; child; child = child->next) gtk_widget_destroy(GTK_WIDGET(child->data));
    g_list_free(children);
    for (const MidiPortRow& row : rows) {
      GtkWidget* check = gtk_check_button_new_with_label(row.label.c_str());
      gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(check), row.checked);
      gtk_list_box_insert(GTK_LIST_BOX(box), check, -1);
    }
    gtk_widget_show_all(box);
    gtk_label_set_text(GTK_LABEL(label), rows.empty() ? (std::string(title) + "\n" + none).c_str() : title);
  };
  fill(midiInputs_, midiInputLabel_, form_.midiInputs, "MIDI Inputs:", " No MIDI inputs found");
  fill(midiOutputs_, midiOutputLabel_, form_.midiOutputs, "MIDI Outputs:", " No MIDI outputs found");
}

void SettingsDialog::updateNotes() {
  const std::string note = form_.note();
  gtk_label_set_text(GTK_LABEL(note_), note.c_str());
  setShown(note_, !note.empty());
  const std::string latency = trial_.latencyLine();
  gtk_label_set_text(GTK_LABEL(latency_), latency.c_str());
  setShown(latency_, !latency.empty());
}

void SettingsDialog::tryChoice() {
  if (trial_.tryChoice()) {
    updateNotes();
    return;
  }
  // The running choice came back: the form was filled from it again.
  showAudioLists();
  showMidi();
}

std::vector<bool> SettingsDialog::checkMarks(GtkWidget* box) const {
  std::vector<bool> marks;
  GList* children = gtk_container_get_children(GTK_CONTAINER(box));
  for (GList* child = children; child; child = child->next) {
    GtkWidget* check = gtk_bin_get_child(GTK_BIN(child->data));
    marks.push_back(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(check)));
  }
  g_list_free(children);
  return marks;
}

void SettingsDialog::open() {
  if (isVisible()) {
    gtk_window_present(GTK_WINDOW(dialog_));
    return;
  }
  trial_.open();
  showAudioLists();
  showMidi();
  gtk_window_present(GTK_WINDOW(dialog_));
}

void SettingsDialog::accept() {
  trial_.accept(checkMarks(midiInputs_), checkMarks(midiOutputs_));
  if (!save_()) g_printerr("Unable to save the audio settings; the next launch will not have them\n");
  gtk_widget_hide(dialog_);
}

void SettingsDialog::cancel() {
  if (!isVisible()) return;
  trial_.cancel();
  gtk_widget_hide(dialog_);
}

void SettingsDialog::refreshDevices() {
  if (!isVisible()) return;
  form_.fill();
  showAudioLists();
  showMidi();
}

void SettingsDialog::refreshStatus() {
  if (!isVisible()) return;
  form_.fillBuffers(host_.audioChoice().bufferSize);
  filling_ = true;
  show(bufferList_, form_.buffers);
  filling_ = false;
  updateNotes();
}

}  // namespace strobe95::standalone::linux_standalone
