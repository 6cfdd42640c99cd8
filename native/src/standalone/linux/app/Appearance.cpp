#include "Appearance.h"

#include <gtk/gtk.h>

#include <string>

#include "DesktopAppearance.h"
#include "StandaloneSettings.h"

namespace strobe95::standalone::linux_standalone {

bool desktopPrefersDark() {
  std::string scheme;
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  if (GSettingsSchema* schema = source ? g_settings_schema_source_lookup(source, "org.gnome.desktop.interface", TRUE)
                                       : nullptr) {
    if (g_settings_schema_has_key(schema, "color-scheme")) {
      GSettings* settings = g_settings_new("org.gnome.desktop.interface");
      gchar* value = g_settings_get_string(settings, "color-scheme");
      scheme = value ? value : "";
      g_free(value);
      g_object_unref(settings);
    }
    g_settings_schema_unref(schema);
  }
  gchar* theme = nullptr;
  g_object_get(gtk_settings_get_default(), "gtk-theme-name", &theme, nullptr);
  const bool dark = prefersDark(scheme, theme ? theme : "");
  g_free(theme);
  return dark;
}

void applyAppearance(int32_t appearance) {
  const bool dark = appearance == kAppearanceDark || (appearance == kAppearanceAuto && desktopPrefersDark());
  g_object_set(gtk_settings_get_default(), "gtk-application-prefer-dark-theme", dark ? TRUE : FALSE, nullptr);
}

}  // namespace strobe95::standalone::linux_standalone
