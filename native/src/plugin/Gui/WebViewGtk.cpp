// The Linux web view: WebKitGTK in a GTK pop-up window whose X window is moved into the
// host's window. Hosts' windows speak no XEmbed, so a plug would stay blank; reparenting
// the pop-up works with any X11 host. GTK runs only when the host's timer pumps it.
#include <string>

#include "GtkLibrary.h"
#include "GuiSize.h"
#include "RemoteWebView.h"
#include "Resources.h"
#include "WebView.h"

namespace strobe95 {
namespace {

constexpr const char* kScheme = "strobe95";
constexpr const char* kServedRoot = "strobe95://faceplate/";
constexpr const char* kMessageChannel = "strobe95";
constexpr const char* kPostExpression = "(text) => window.webkit.messageHandlers.strobe95.postMessage(text)";
// Enough turns to drain what a page produces between two pump ticks, few enough that a
// busy page never holds up the host's loop for long.
constexpr int kMaxIterationsPerPump = 64;

template <typename T>
gpointer object(T* instance) {
  return static_cast<gpointer>(instance);
}

// Ignores the X errors of the calls made while it lives, for calls on our window while it
// sits inside the host's, which the host may destroy at any time and ours with it. GDK's
// own handler would end the process on them.
class ForeignWindowTrap {
 public:
  explicit ForeignWindowTrap(const gtk::Library& gtk) : gtk_(gtk), display_(gtk.gdk_display_get_default()) {
    if (display_) gtk_.gdk_x11_display_error_trap_push(display_);
  }
  ~ForeignWindowTrap() {
    if (display_) gtk_.gdk_x11_display_error_trap_pop_ignored(display_);
  }
  ForeignWindowTrap(const ForeignWindowTrap&) = delete;
  ForeignWindowTrap& operator=(const ForeignWindowTrap&) = delete;

 private:
  const gtk::Library& gtk_;
  GdkDisplay* display_;
};

class GtkWebView final : public WebView {
 public:
  explicit GtkWebView(const gtk::Library& gtk) : gtk_(gtk) {
    context_ = gtk_.webkit_web_context_new();
    gtk_.webkit_web_context_register_uri_scheme(context_, kScheme, serveRequest, this, nullptr);
    WebKitSecurityManager* security = gtk_.webkit_web_context_get_security_manager(context_);
    // Module scripts and fetches from the page are cross-origin checked even on one host.
    gtk_.webkit_security_manager_register_uri_scheme_as_secure(security, kScheme);
    gtk_.webkit_security_manager_register_uri_scheme_as_cors_enabled(security, kScheme);

    content_ = gtk_.webkit_user_content_manager_new();
    gtk_.webkit_user_content_manager_register_script_message_handler(content_, kMessageChannel);
    gtk_.g_signal_connect_data(object(content_), "script-message-received::strobe95",
                               G_CALLBACK(onScriptMessage), this, nullptr, GConnectFlags{});

    view_ = static_cast<WebKitWebView*>(gtk_.g_object_new(gtk_.webkit_web_view_get_type(), "web-context", context_,
                                                          "user-content-manager", content_, nullptr));
    gtk_.webkit_settings_set_enable_developer_extras(gtk_.webkit_web_view_get_settings(view_), FALSE);
    gtk_.g_signal_connect_data(object(view_), "decide-policy", G_CALLBACK(onDecidePolicy), this, nullptr,
                               GConnectFlags{});
    gtk_.g_signal_connect_data(object(view_), "create", G_CALLBACK(onCreateWindow), this, nullptr,
                               GConnectFlags{});
    gtk_.g_signal_connect_data(object(view_), "context-menu", G_CALLBACK(onContextMenu), this, nullptr,
                               GConnectFlags{});

    window_ = gtk_.gtk_window_new(GTK_WINDOW_POPUP);
    const GuiSize size = guiSize();
    gtk_.gtk_window_resize(reinterpret_cast<GtkWindow*>(window_), static_cast<int>(size.width),
                           static_cast<int>(size.height));
    gtk_.gtk_container_add(reinterpret_cast<GtkContainer*>(window_), reinterpret_cast<GtkWidget*>(view_));
    gtk_.gtk_widget_realize(window_);
    gtk_.g_signal_connect_data(object(window_), "destroy", G_CALLBACK(onWindowDestroyed), this, nullptr,
                               GConnectFlags{});
    gtk_.gdk_window_add_filter(nullptr, onXEvent, this);
    cancellable_ = gtk_.g_cancellable_new();
  }

  ~GtkWebView() override {
    gtk_.gdk_window_remove_filter(nullptr, onXEvent, this);
    gtk_.g_cancellable_cancel(cancellable_);
    {
      // The host may have destroyed its window, and ours with it, before destroying the editor.
      const ForeignWindowTrap trap(gtk_);
      if (window_) gtk_.gtk_widget_destroy(window_);  // takes the view with it
    }
    gtk_.g_object_unref(object(content_));
    gtk_.g_object_unref(object(context_));
    // Let the cancelled scripts and the torn-down view finish while our code is loaded.
    pumpEvents();
    gtk_.g_object_unref(object(cancellable_));
  }

  void load() override {
    const std::string bridge = bridgeScript(kPostExpression);
    WebKitUserScript* script =
        gtk_.webkit_user_script_new(bridge.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                    WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
    gtk_.webkit_user_content_manager_add_script(content_, script);
    gtk_.webkit_user_script_unref(script);
    gtk_.webkit_web_view_load_uri(view_, kServedRoot);
  }

  void evaluate(const std::string& script, ScriptResult done) override {
    if (!view_) return;  // gone with the host's window: no page to ask
    auto* pending = done ? new ScriptResult(std::move(done)) : nullptr;
    gtk_.webkit_web_view_evaluate_javascript(view_, script.c_str(), static_cast<gssize>(script.size()), nullptr,
                                             nullptr, cancellable_, pending ? onScriptDone : nullptr, pending);
  }

  // Every X call that names the host's window runs under a trap: a window the server does
  // not know, or one gone meanwhile, fails the embedding instead of the host.
  bool embed(const clap_window& parent) override {
    if (!window_) return false;
    GdkWindow* own = gtk_.gtk_widget_get_window(window_);
    GdkDisplay* gdkDisplay = gtk_.gdk_display_get_default();
    Display* display = gdkDisplay ? gtk_.gdk_x11_display_get_xdisplay(gdkDisplay) : nullptr;
    if (!own || !display) return false;
    const auto parentWindow = static_cast<::Window>(parent.x11);
    gtk_.gdk_x11_display_error_trap_push(gdkDisplay);
    XWindowAttributes attributes{};
    const bool found = gtk_.XGetWindowAttributes(display, parentWindow, &attributes) != 0;
    if (gtk_.gdk_x11_display_error_trap_pop(gdkDisplay) != 0 || !found || attributes.width <= 0 ||
        attributes.height <= 0) {
      return false;
    }
    gtk_.gtk_window_resize(reinterpret_cast<GtkWindow*>(window_), attributes.width, attributes.height);
    gtk_.gdk_x11_display_error_trap_push(gdkDisplay);
    gtk_.XReparentWindow(display, gtk_.gdk_x11_window_get_xid(own), parentWindow, 0, 0);
    // The pop waits for the server's answer, so a parent gone since the look above shows here.
    if (gtk_.gdk_x11_display_error_trap_pop(gdkDisplay) != 0) return false;
    // Hosts may size their window after handing it over; ours follows it (see onXEvent).
    parent_ = parentWindow;
    gtk_.gdk_x11_display_error_trap_push(gdkDisplay);
    gtk_.XSelectInput(display, parentWindow, StructureNotifyMask);
    gtk_.gdk_x11_display_error_trap_pop_ignored(gdkDisplay);
    // The page is laid out for the base size; at the host's scale the whole of it grows
    // to fill the window the host made for that scale.
    gtk_.webkit_web_view_set_zoom_level(view_, guiScale());
    embedded_ = true;
    return true;
  }

  void setVisible(bool visible) override {
    if (!window_) return;
    const ForeignWindowTrap trap(gtk_);  // mapping inside a host window that may be gone
    // Before it is embedded the pop-up would float over the desktop; keep it hidden.
    if (visible && embedded_) {
      gtk_.gtk_widget_show_all(window_);
    } else {
      gtk_.gtk_widget_hide(window_);
    }
  }

  void pump() override { pumpEvents(); }

 private:
  void pumpEvents() {
    // GDK follows our window as the host moves or destroys its own around it.
    const ForeignWindowTrap trap(gtk_);
    for (int i = 0; i < kMaxIterationsPerPump && gtk_.g_main_context_iteration(nullptr, FALSE); ++i) {
    }
  }

  static void serveRequest(WebKitURISchemeRequest* request, gpointer data) {
    const gtk::Library& gtk = static_cast<GtkWebView*>(data)->gtk_;
    const auto path = bridge::servedPath(kServedRoot, gtk.webkit_uri_scheme_request_get_uri(request));
    const FaceplateResource* resource = path ? fetchFaceplateResource(*path) : nullptr;
    static constexpr char kNotFoundBody[] = "Not Found";
    const void* body = resource ? static_cast<const void*>(resource->bytes.data()) : kNotFoundBody;
    const auto length = static_cast<gssize>(resource ? resource->bytes.size() : sizeof kNotFoundBody - 1);
    GInputStream* stream = gtk.g_memory_input_stream_new_from_data(body, length, nullptr);
    WebKitURISchemeResponse* response = gtk.webkit_uri_scheme_response_new(stream, length);
    SoupMessageHeaders* headers = gtk.soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
    if (resource) {
      gtk.webkit_uri_scheme_response_set_status(response, 200, "OK");
      gtk.webkit_uri_scheme_response_set_content_type(response, std::string(resource->mimeType).c_str());
      for (const auto& [name, value] : responseHeaders(*resource)) {
        gtk.soup_message_headers_append(headers, name.c_str(), value.c_str());
      }
    } else {
      gtk.webkit_uri_scheme_response_set_status(response, kNotFoundStatus, std::string(kNotFoundReason).c_str());
      gtk.webkit_uri_scheme_response_set_content_type(response, "text/plain");
    }
    gtk.webkit_uri_scheme_response_set_http_headers(response, headers);  // takes the headers
    gtk.webkit_uri_scheme_request_finish_with_response(request, response);
    gtk.g_object_unref(object(response));
    gtk.g_object_unref(object(stream));
  }

  static void onScriptMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer data) {
    auto* self = static_cast<GtkWebView*>(data);
    const gtk::Library& gtk = self->gtk_;
    char* text = gtk.jsc_value_to_string(gtk.webkit_javascript_result_get_js_value(result));
    if (!text) return;
    const std::string message(text);
    gtk.g_free(text);
    self->receive(message);
  }

  static gboolean onDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                                 gpointer data) {
    const gtk::Library& gtk = static_cast<GtkWebView*>(data)->gtk_;
    if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) {
      auto* navigation = reinterpret_cast<WebKitNavigationPolicyDecision*>(decision);
      WebKitURIRequest* request =
          gtk.webkit_navigation_action_get_request(gtk.webkit_navigation_policy_decision_get_navigation_action(navigation));
      const char* uri = gtk.webkit_uri_request_get_uri(request);
      if (uri && bridge::isAllowedNavigation(kServedRoot, uri)) {
        gtk.webkit_policy_decision_use(decision);
      } else {
        gtk.webkit_policy_decision_ignore(decision);
      }
      return TRUE;
    }
    if (type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
      gtk.webkit_policy_decision_ignore(decision);
      return TRUE;
    }
    return FALSE;  // responses: WebKit's own rules
  }

  // The host destroyed its window with ours inside, and GTK the widgets with it: the
  // editor stays, empty, until the host destroys it too.
  static void onWindowDestroyed(GtkWidget*, gpointer data) {
    auto* self = static_cast<GtkWebView*>(data);
    self->window_ = nullptr;
    self->view_ = nullptr;
    self->embedded_ = false;
    self->parent_ = 0;
  }

  // Every X event GDK reads passes here; the host's window is not GDK's, so its size
  // changes would go unseen otherwise.
  static GdkFilterReturn onXEvent(GdkXEvent* native, GdkEvent*, gpointer data) {
    auto* self = static_cast<GtkWebView*>(data);
    const auto* event = static_cast<const XEvent*>(native);
    if (event->type == ConfigureNotify && self->parent_ != 0 && event->xconfigure.window == self->parent_ &&
        self->window_ && event->xconfigure.width > 0 && event->xconfigure.height > 0) {
      self->gtk_.gtk_window_resize(reinterpret_cast<GtkWindow*>(self->window_), event->xconfigure.width,
                                   event->xconfigure.height);
    }
    return GDK_FILTER_CONTINUE;
  }

  static GtkWidget* onCreateWindow(WebKitWebView*, WebKitNavigationAction*, gpointer) { return nullptr; }

  static gboolean onContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult*, gpointer) {
    return TRUE;  // no "Reload" or "Inspect" inside an instrument
  }

  static void onScriptDone(GObject* source, GAsyncResult* result, gpointer data) {
    auto* done = static_cast<ScriptResult*>(data);
    const gtk::Library* gtk = gtk::library();
    GError* error = nullptr;
    JSCValue* value =
        gtk->webkit_web_view_evaluate_javascript_finish(reinterpret_cast<WebKitWebView*>(source), result, &error);
    std::string json;
    if (value) {
      if (char* text = gtk->jsc_value_to_json(value, 0)) {
        json = text;
        gtk->g_free(text);
      }
      gtk->g_object_unref(object(value));
    }
    if (error) {
      const bool cancelled = error->domain == gtk->g_io_error_quark() && error->code == G_IO_ERROR_CANCELLED;
      gtk->g_error_free(error);
      if (cancelled) {  // the web view is gone; so, perhaps, is whoever asked
        delete done;
        return;
      }
    }
    (*done)(json);
    delete done;
  }

  const gtk::Library& gtk_;
  WebKitWebContext* context_ = nullptr;
  WebKitUserContentManager* content_ = nullptr;
  WebKitWebView* view_ = nullptr;  // owned by window_; null once it is destroyed
  GtkWidget* window_ = nullptr;    // null once destroyed, by us or with the host's window
  GCancellable* cancellable_ = nullptr;
  bool embedded_ = false;
  ::Window parent_ = 0;  // the host's window we sit in, once embedded
};

}  // namespace

// A host with a GTK of its own gets the faceplate from the editor helper when it is
// installed, and no editor without it.
bool webViewFitsProcess() { return !gtk::otherGtkLoaded() || !editorHelperPath().empty(); }

std::unique_ptr<WebView> openWebView() {
  if (gtk::otherGtkLoaded()) return openRemoteWebView();
  const gtk::Library* gtk = gtk::library();
  if (!gtk) return nullptr;
  return std::make_unique<GtkWebView>(*gtk);
}

}  // namespace strobe95
