#include "GtkLibrary.h"

#include <dlfcn.h>

#include <array>

namespace strobe95::gtk {
namespace {

// Sonames of the WebKitGTK 4.1 stack; GTK 3 and libsoup 3 come with it.
constexpr std::array<const char*, 8> kLibraries = {
    "libwebkit2gtk-4.1.so.0", "libjavascriptcoregtk-4.1.so.0", "libsoup-3.0.so.0", "libgtk-3.so.0",
    "libgdk-3.so.0",          "libgio-2.0.so.0",               "libgobject-2.0.so.0", "libglib-2.0.so.0"};
constexpr const char* kX11Library = "libX11.so.6";

// GTK 2 and GTK 4 as a host may have loaded them, linked or opened, in any scope.
constexpr std::array<const char*, 3> kOtherGtkLibraries = {"libgtk-x11-2.0.so.0", "libgdk-x11-2.0.so.0",
                                                           "libgtk-4.so.1"};
// The symbol GTK 3 looks for before it aborts: only GTK 2 has it. It also finds a GTK 2
// that a host carries under another file name or linked into itself.
constexpr const char* kGtk2Symbol = "gtk_progress_get_type";

void* find(const std::array<void*, kLibraries.size() + 1>& handles, const char* name) {
  for (void* handle : handles) {
    if (void* symbol = dlsym(handle, name)) return symbol;
  }
  return nullptr;
}

// Opened once and never closed: GTK cannot be unloaded from a running process.
Library* open() {
  if (otherGtkLoaded()) return nullptr;
  std::array<void*, kLibraries.size() + 1> handles{};
  for (std::size_t i = 0; i < kLibraries.size(); ++i) {
    handles[i] = dlopen(kLibraries[i], RTLD_NOW | RTLD_GLOBAL);
    if (!handles[i]) return nullptr;
  }
  handles.back() = dlopen(kX11Library, RTLD_NOW | RTLD_GLOBAL);
  if (!handles.back()) return nullptr;

  static Library library;
  bool complete = true;
#define STROBE95_RESOLVE(name)                                                   \
  library.name = reinterpret_cast<decltype(library.name)>(find(handles, #name)); \
  complete = complete && library.name != nullptr;
  STROBE95_GTK_FUNCTIONS(STROBE95_RESOLVE)
#undef STROBE95_RESOLVE
  if (!complete) return nullptr;

  // The host embeds through X11, so GTK must speak X11 even in a Wayland session.
  library.gdk_set_allowed_backends("x11");
  if (!library.gtk_init_check(nullptr, nullptr)) return nullptr;
  return &library;
}

}  // namespace

bool otherGtkLoaded() {
  for (const char* name : kOtherGtkLibraries) {
    // RTLD_NOLOAD only finds a library already in the process; it loads nothing.
    if (void* handle = dlopen(name, RTLD_LAZY | RTLD_NOLOAD)) {
      dlclose(handle);  // drops only the reference just taken
      return true;
    }
  }
  return dlsym(RTLD_DEFAULT, kGtk2Symbol) != nullptr;
}

const Library* library() {
  static const Library* opened = open();
  return opened;
}

}  // namespace strobe95::gtk
