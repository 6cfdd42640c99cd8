// The C side of the editor: one static function per table slot, finding the instance and
// its Gui.
#include "GuiExtension.h"

#include <memory>

#include "Gui.h"
#include "GuiSize.h"
#include "Plugin.h"

namespace strobe95 {
namespace {

Plugin& self(const clap_plugin* plugin) { return Plugin::from(plugin); }

// An API is offered only where the process can hold the web view; a host told no shows
// its own controls instead of an editor that would take it down.
bool offersApi(const char* api, bool isFloating) { return isGuiApiSupported(api, isFloating) && webViewFitsProcess(); }

bool guiIsApiSupported(const clap_plugin*, const char* api, bool isFloating) { return offersApi(api, isFloating); }

bool guiGetPreferredApi(const clap_plugin*, const char** api, bool* isFloating) {
  if (!webViewFitsProcess()) return false;
  *api = kGuiWindowApi;
  *isFloating = false;
  return true;
}

bool guiCreate(const clap_plugin* p, const char* api, bool isFloating) {
  if (!offersApi(api, isFloating)) return false;
  Plugin& plugin = self(p);
  if (plugin.gui()) return true;
  try {
    plugin.setGui(std::make_unique<Gui>(plugin));
  } catch (...) {
    return false;
  }
  return true;
}

void guiDestroy(const clap_plugin* p) { self(p).setGui(nullptr); }

bool guiSetScale(const clap_plugin*, double scale) {
  setGuiScale(scale);
  return true;
}

bool guiGetSize(const clap_plugin*, uint32_t* width, uint32_t* height) {
  const GuiSize size = guiSize();
  *width = size.width;
  *height = size.height;
  return true;
}

bool guiCanResize(const clap_plugin*) { return false; }

bool guiGetResizeHints(const clap_plugin*, clap_gui_resize_hints*) { return false; }

bool guiAdjustSize(const clap_plugin* p, uint32_t* width, uint32_t* height) {
  return guiGetSize(p, width, height);
}

bool guiSetSize(const clap_plugin*, uint32_t, uint32_t) { return true; }

bool guiSetParent(const clap_plugin* p, const clap_window* window) {
  Gui* gui = self(p).gui();
  return gui && window && gui->setParent(*window);
}

bool guiSetTransient(const clap_plugin*, const clap_window*) { return false; }

void guiSuggestTitle(const clap_plugin*, const char*) {}

bool guiShow(const clap_plugin* p) {
  Gui* gui = self(p).gui();
  if (!gui) return false;
  gui->show();
  return true;
}

bool guiHide(const clap_plugin* p) {
  Gui* gui = self(p).gui();
  if (!gui) return false;
  gui->hide();
  return true;
}

void timerOnTimer(const clap_plugin* p, clap_id timerId) {
  if (Gui* gui = self(p).gui()) gui->onHostTimer(timerId);
}

}  // namespace

const clap_plugin_gui kGuiExtension = {
    guiIsApiSupported, guiGetPreferredApi, guiCreate,       guiDestroy,    guiSetScale,
    guiGetSize,        guiCanResize,       guiGetResizeHints, guiAdjustSize, guiSetSize,
    guiSetParent,      guiSetTransient,    guiSuggestTitle, guiShow,       guiHide};

const clap_plugin_timer_support kTimerSupportExtension = {timerOnTimer};

}  // namespace strobe95
