#include "editor/linux/webview/page_view.h"

#include <gio/gio.h>
#include <gtk/gtk.h>
#include <gtk/gtkx.h>
#include <webkit2/webkit2.h>
#include <X11/Xlib.h>

#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "editor/page_script.h"
#include "editor/ui_files.h"
#include "editor/linux/webview/helper_link.h"

namespace velmo::webview {

namespace {

// URL-error "file does not exist", as the page's loader reports it.
constexpr int FILE_DOES_NOT_EXIST = -1100;

struct Page {
    std::uint32_t id = 0;  // 0 while prepared ahead of its view
    std::string uiRoot;
    WebKitWebView* view = nullptr;
    WebKitUserContentManager* content = nullptr;
    GtkWidget* plug = nullptr;
    Window embedder = 0;
    std::vector<Window> watched;  // the embedder and its ancestors
    bool shown = true;
    bool ready = false;
    std::deque<std::string> waiting;  // deliveries before the page is ready
    std::vector<std::string> held;    // messages of a prepared page, sent once it has a view
};

WebKitWebContext* gContext = nullptr;
std::map<std::uint32_t, std::unique_ptr<Page>> gPages;
std::unique_ptr<Page> gPrepared;

Page* pageOf(std::uint32_t id) {
    const auto found = gPages.find(id);
    return found == gPages.end() ? nullptr : found->second.get();
}

Page* pageOfView(WebKitWebView* view) {
    if (gPrepared != nullptr && gPrepared->view == view) return gPrepared.get();
    for (auto& [id, page] : gPages)
        if (page->view == view) return page.get();
    return nullptr;
}

GQuark schemeErrorDomain() { return g_quark_from_static_string("velmo-ui-error"); }

void serveRequest(WebKitURISchemeRequest* request, gpointer) {
    const Page* page = pageOfView(webkit_uri_scheme_request_get_web_view(request));
    const char* rawPath = webkit_uri_scheme_request_get_path(request);
    const std::string file = page == nullptr ? std::string() : resolveUiFile(page->uiRoot, rawPath != nullptr ? rawPath : "");
    gchar* contents = nullptr;
    gsize length = 0;
    if (file.empty() || !g_file_get_contents(file.c_str(), &contents, &length, nullptr)) {
        GError* error = g_error_new_literal(schemeErrorDomain(), FILE_DOES_NOT_EXIST, "file does not exist");
        webkit_uri_scheme_request_finish_error(request, error);
        g_error_free(error);
        return;
    }
    tracePhase(std::string("served ") + (rawPath != nullptr ? rawPath : ""), page->id);
    const char* mime = mimeTypeForPath(file);
    GInputStream* stream = g_memory_input_stream_new_from_data(contents, static_cast<gssize>(length), g_free);
    WebKitURISchemeResponse* response = webkit_uri_scheme_response_new(stream, static_cast<gint64>(length));
    webkit_uri_scheme_response_set_content_type(response, mime);
    // Without the header the page sees no content type at all.
    SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
    soup_message_headers_append(headers, "Content-Type", mime);
    webkit_uri_scheme_response_set_http_headers(response, headers);
    webkit_uri_scheme_response_set_status(response, 200, "OK");
    webkit_uri_scheme_request_finish_with_response(request, response);
    g_object_unref(response);
    g_object_unref(stream);
}

WebKitWebContext* context() {
    if (gContext == nullptr) {
        gContext = webkit_web_context_new_ephemeral();
        webkit_web_context_register_uri_scheme(gContext, "velmo-ui", &serveRequest, nullptr, nullptr);
    }
    return gContext;
}

void evaluated(GObject* source, GAsyncResult* result, gpointer) {
    GError* error = nullptr;
    JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
    if (value != nullptr) g_object_unref(value);
    if (error != nullptr) {
        trace("failed", error->message, 0);
        g_error_free(error);
    }
}

void evaluateNow(Page& page, const std::string& script) {
    // The trace names the delivered document by its first bytes.
    std::string_view shown(script);
    if (shown.substr(0, kDeliveryPrefix.size()) == kDeliveryPrefix) shown.remove_prefix(kDeliveryPrefix.size());
    trace("delivered", shown.substr(0, 64), page.id);
    if (shown.substr(0, 21) == "{\"type\":\"velmo.hello\"") tracePhase("hello", page.id);
    webkit_web_view_evaluate_javascript(page.view, script.data(), static_cast<gssize>(script.size()), nullptr,
                                        nullptr, nullptr, &evaluated, nullptr);
}

void forward(Page& page, std::string_view message) {
    trace("page", message, page.id);
    sendFrame(FrameType::PageMessage, page.id, message);
}

void pageMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer data) {
    Page& page = *static_cast<Page*>(data);
    JSCValue* value = webkit_javascript_result_get_js_value(result);
    if (value == nullptr || !jsc_value_is_string(value)) return;  // string bodies only
    gchar* text = jsc_value_to_string(value);
    const std::string_view message(text);
    if (page.id == 0)
        page.held.emplace_back(message);
    else
        forward(page, message);
    // The page posts its messages through JSON.stringify: no spaces inside.
    if (message.find("\"type\":\"velmo.ready\"") != std::string_view::npos && !page.ready) {
        tracePhase("ready", page.id);
        page.ready = true;
        while (!page.waiting.empty()) {
            evaluateNow(page, page.waiting.front());
            page.waiting.pop_front();
        }
    }
    g_free(text);
}

void loadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
    // A new document has no listeners until it says it is ready again.
    if (event == WEBKIT_LOAD_STARTED) static_cast<Page*>(data)->ready = false;
    if (event == WEBKIT_LOAD_COMMITTED) tracePhase("committed", static_cast<Page*>(data)->id);
    if (event == WEBKIT_LOAD_FINISHED) tracePhase("loaded", static_cast<Page*>(data)->id);
}

void destroyPage(std::unique_ptr<Page> page) {
    if (page == nullptr) return;
    g_signal_handlers_disconnect_by_data(page->content, page.get());
    g_signal_handlers_disconnect_by_data(page->view, page.get());
    if (page->plug != nullptr)
        gtk_widget_destroy(page->plug);
    else
        g_object_unref(page->view);  // a prepared page is in no window: we hold its only reference
    g_object_unref(page->content);
}

gboolean closeLater(gpointer id) {
    closeView(GPOINTER_TO_UINT(id));
    return G_SOURCE_REMOVE;
}

// Views share their web process where WebKit allows: the page of one crashing ends them all, and
// each hears it.
void webProcessEnded(WebKitWebView*, WebKitWebProcessTerminationReason, gpointer data) {
    Page& page = *static_cast<Page*>(data);
    if (page.id == 0) {
        g_idle_add([](gpointer) -> gboolean {
            destroyPage(std::move(gPrepared));
            return G_SOURCE_REMOVE;
        }, nullptr);
        return;
    }
    sendFrame(FrameType::Failure, page.id, "webview web process ended");
    g_idle_add(&closeLater, GUINT_TO_POINTER(page.id));
}

WebKitWebView* relatedView() {
    if (gPrepared != nullptr) return gPrepared->view;
    return gPages.empty() ? nullptr : gPages.begin()->second->view;
}

std::unique_ptr<Page> newPage(const std::string& uiRoot) {
    auto page = std::make_unique<Page>();
    page->uiRoot = uiRoot;
    page->content = webkit_user_content_manager_new();
    webkit_user_content_manager_register_script_message_handler(page->content, "velmo");
    g_signal_connect(page->content, "script-message-received::velmo", G_CALLBACK(&pageMessage), page.get());
    WebKitUserScript* script =
        webkit_user_script_new(injectedBridgeScript(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                               WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
    webkit_user_content_manager_add_script(page->content, script);
    webkit_user_script_unref(script);

    WebKitSettings* settings = webkit_settings_new();
    WebKitWebView* related = relatedView();
    GtkWidget* view = related != nullptr
                          ? GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "related-view", related,
                                                    "user-content-manager", page->content, "settings", settings,
                                                    nullptr))
                          : GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context(),
                                                    "user-content-manager", page->content, "settings", settings,
                                                    nullptr));
    g_object_unref(settings);
    if (view == nullptr) {
        g_object_unref(page->content);
        return nullptr;
    }
    page->view = WEBKIT_WEB_VIEW(g_object_ref_sink(view));
    tracePhase("webview", 0);
    g_signal_connect(view, "load-changed", G_CALLBACK(&loadChanged), page.get());
    g_signal_connect(view, "web-process-terminated", G_CALLBACK(&webProcessEnded), page.get());
    webkit_web_view_load_uri(page->view, pageUrl(uiRoot).c_str());
    return page;
}

// --- The host's window: destroyed, hidden, shown ---

Display* xDisplay() { return gdk_x11_display_get_xdisplay(gdk_display_get_default()); }

// Selects structure events on the embedder and every window above it, so that the host hiding
// any of them (not only our parent) reaches us.
void watchAncestors(Page& page) {
    Display* display = xDisplay();
    gdk_x11_display_error_trap_push(gdk_display_get_default());
    page.watched.clear();
    for (Window window = page.embedder; window != 0;) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, window, &attributes)) break;
        XSelectInput(display, window, attributes.your_event_mask | StructureNotifyMask);
        page.watched.push_back(window);
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, window, &root, &parent, &children, &count)) break;
        if (children != nullptr) XFree(children);
        if (parent == root) break;
        window = parent;
    }
    gdk_x11_display_error_trap_pop_ignored(gdk_display_get_default());
}

bool embedderViewable(const Page& page) {
    gdk_x11_display_error_trap_push(gdk_display_get_default());
    XWindowAttributes attributes;
    const bool viewable = XGetWindowAttributes(xDisplay(), page.embedder, &attributes) != 0 &&
                          attributes.map_state == IsViewable;
    gdk_x11_display_error_trap_pop_ignored(gdk_display_get_default());
    return viewable;
}

void showPlug(Page& page) {
    gtk_widget_show_all(page.plug);
    // Without this the plug stays unmapped: the page runs at 0x0 and nothing is seen.
    gdk_window_show(gtk_widget_get_window(page.plug));
}

// WebKit takes an unmapped view as hidden: the page's visibilityState follows the host's window.
void followEmbedder(Page& page) {
    const bool viewable = embedderViewable(page);
    if (viewable == page.shown) return;
    page.shown = viewable;
    trace("visible", viewable ? "yes" : "no", page.id);
    sendFrame(FrameType::Shown, page.id, viewable ? "1" : "0");
    if (viewable)
        showPlug(page);
    else
        gtk_widget_hide(page.plug);
}

GdkFilterReturn watchHostWindows(GdkXEvent* xevent, GdkEvent*, gpointer) {
    const XEvent* event = static_cast<const XEvent*>(xevent);
    if (event->type == DestroyNotify) {
        // The host destroyed its window (and so our plug): close that view quietly instead of
        // dying on X errors about it.
        for (auto& [id, page] : gPages) {
            GdkWindow* window = gtk_widget_get_window(page->plug);
            if (window == nullptr || event->xdestroywindow.window != gdk_x11_window_get_xid(window)) continue;
            gdk_x11_display_error_trap_push(gdk_display_get_default());
            sendFrame(FrameType::Failure, id, "webview window destroyed");
            g_idle_add(&closeLater, GUINT_TO_POINTER(id));
            break;
        }
        return GDK_FILTER_CONTINUE;
    }
    if (event->type != MapNotify && event->type != UnmapNotify && event->type != ReparentNotify)
        return GDK_FILTER_CONTINUE;
    for (auto& [id, page] : gPages) {
        bool ours = false;
        for (const Window w : page->watched) ours = ours || w == event->xany.window;
        if (!ours) continue;
        if (event->type == ReparentNotify) watchAncestors(*page);
        followEmbedder(*page);
    }
    return GDK_FILTER_CONTINUE;
}

void resizePlug(Page& page, int width, int height) {
    // gtk_window_resize snaps back inside a plug; the GDK window takes the size.
    GdkWindow* window = gtk_widget_get_window(page.plug);
    if (window != nullptr) gdk_window_move_resize(window, 0, 0, width, height);
}

}  // namespace

void preparePage(const std::string& uiRoot) {
    if (gPrepared == nullptr) gPrepared = newPage(uiRoot);
}

bool openView(std::uint32_t id, const OpenRequest& request) {
    static const bool filtered = (gdk_window_add_filter(nullptr, &watchHostWindows, nullptr), true);
    (void)filtered;
    if (id == 0 || pageOf(id) != nullptr) return false;
    std::unique_ptr<Page> page;
    if (gPrepared != nullptr && gPrepared->uiRoot == request.uiRoot) page = std::move(gPrepared);
    else page = newPage(request.uiRoot);
    if (page == nullptr) return false;
    page->id = id;
    page->embedder = static_cast<Window>(request.window);
    page->plug = gtk_plug_new(page->embedder);
    gtk_window_set_default_size(GTK_WINDOW(page->plug), request.width, request.height);
    gtk_container_add(GTK_CONTAINER(page->plug), GTK_WIDGET(page->view));
    g_object_unref(page->view);  // the plug holds it now
    Page& shown = *page;
    gPages[id] = std::move(page);
    tracePhase(shown.ready ? "opened (page ready)" : "opened", id);
    showPlug(shown);
    resizePlug(shown, request.width, request.height);
    watchAncestors(shown);
    followEmbedder(shown);
    // What a prepared page said before it had a view (its "velmo.ready") goes out now.
    for (const std::string& message : shown.held) forward(shown, message);
    shown.held.clear();
    return true;
}

void closeView(std::uint32_t id) {
    const auto found = gPages.find(id);
    if (found == gPages.end()) return;
    std::unique_ptr<Page> page = std::move(found->second);
    gPages.erase(found);
    destroyPage(std::move(page));
}

void resizeView(std::uint32_t id, int width, int height) {
    if (Page* page = pageOf(id)) resizePlug(*page, width, height);
}

void deliverScript(std::uint32_t id, std::string script) {
    Page* page = pageOf(id);
    // Text that is not UTF-8 would be a syntax error in the page, never a delivery.
    if (page == nullptr || !g_utf8_validate(script.data(), static_cast<gssize>(script.size()), nullptr)) return;
    if (page->ready)
        evaluateNow(*page, script);
    else
        page->waiting.push_back(std::move(script));
}

}  // namespace velmo::webview
