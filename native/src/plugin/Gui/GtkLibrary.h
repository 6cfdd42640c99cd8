#pragma once
// WebKitGTK, GTK and their companions, opened at run time. The plugin links none of them,
// so it loads and plays where they are not installed; the editor then has no web view.
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <libsoup/soup.h>
#include <webkit2/webkit2.h>

namespace strobe95::gtk {

// Every function the backend calls, typed from the headers and found with dlsym.
struct Library {
#define STROBE95_GTK_FUNCTIONS(X)                                                               \
  X(g_main_context_iteration) X(g_signal_connect_data) X(g_object_unref) X(g_object_new)         \
  X(g_free) X(g_error_free) X(g_memory_input_stream_new_from_data) X(g_cancellable_new)         \
  X(g_cancellable_cancel) X(g_io_error_quark)                                                                        \
  X(gtk_init_check) X(gdk_set_allowed_backends) X(gtk_window_new) X(gtk_window_resize)           \
  X(gtk_container_add) X(gtk_widget_realize) X(gtk_widget_get_window) X(gtk_widget_show_all)    \
  X(gtk_widget_hide) X(gtk_widget_destroy) X(gtk_widget_set_size_request)                        \
  X(gdk_x11_window_get_xid) X(gdk_x11_display_get_xdisplay) X(gdk_display_get_default)           \
  X(gdk_x11_display_error_trap_push) X(gdk_x11_display_error_trap_pop)                           \
  X(gdk_x11_display_error_trap_pop_ignored)                                                      \
  X(XReparentWindow) X(XGetWindowAttributes) X(XSelectInput)                                      \
  X(gdk_window_add_filter) X(gdk_window_remove_filter)                                           \
  X(soup_message_headers_new) X(soup_message_headers_append)                                    \
  X(webkit_web_context_new) X(webkit_web_context_register_uri_scheme)                           \
  X(webkit_web_context_get_security_manager) X(webkit_security_manager_register_uri_scheme_as_secure) \
  X(webkit_security_manager_register_uri_scheme_as_cors_enabled)                                \
  X(webkit_user_content_manager_new) X(webkit_user_content_manager_register_script_message_handler) \
  X(webkit_user_content_manager_add_script) X(webkit_user_script_new) X(webkit_user_script_unref) \
  X(webkit_web_view_get_type) X(webkit_web_view_get_settings) X(webkit_web_view_load_uri)       \
  X(webkit_web_view_set_zoom_level)                                                              \
  X(webkit_settings_set_enable_developer_extras) X(webkit_web_view_evaluate_javascript)         \
  X(webkit_web_view_evaluate_javascript_finish) X(jsc_value_to_json) X(jsc_value_to_string)     \
  X(webkit_javascript_result_get_js_value) X(webkit_uri_scheme_request_get_uri)                 \
  X(webkit_uri_scheme_request_finish_with_response) X(webkit_uri_scheme_response_new)           \
  X(webkit_uri_scheme_response_set_status) X(webkit_uri_scheme_response_set_content_type)       \
  X(webkit_uri_scheme_response_set_http_headers)                                                 \
  X(webkit_navigation_policy_decision_get_navigation_action) X(webkit_navigation_action_get_request) \
  X(webkit_uri_request_get_uri) X(webkit_policy_decision_ignore) X(webkit_policy_decision_use)

#define STROBE95_DECLARE(name) decltype(&::name) name = nullptr;
  STROBE95_GTK_FUNCTIONS(STROBE95_DECLARE)
#undef STROBE95_DECLARE
};

// The process's one copy, opened and GTK initialised on first use; null when a library
// or a function is missing, GTK finds no X display, or another GTK already lives in the
// process. Main thread only.
const Library* library();

// Whether the process already carries a GTK of another major version (2 or 4), which
// cannot share a process with WebKitGTK's GTK 3: GTK 3 aborts the whole process when it
// finds GTK 2's symbols, and either pair clashes on their type names. Touches no GTK.
bool otherGtkLoaded();

}  // namespace strobe95::gtk
