#include "editor/webview/page_view.h"

#include <gio/gio.h>
#include <webkit2/webkit2.h>

#include <deque>

#include "editor/page_script.h"
#include "editor/ui_files.h"
#include "editor/webview/helper_link.h"

namespace velmo::webview {

namespace {

// URL-error "file does not exist", as the page's loader reports it.
constexpr int FILE_DOES_NOT_EXIST = -1100;

struct Page {
    std::string uiRoot;
    WebKitWebView* view = nullptr;
    bool ready = false;
    std::deque<std::string> waiting;
};

Page& page() {
    static Page p;
    return p;
}

GQuark schemeErrorDomain() { return g_quark_from_static_string("velmo-ui-error"); }

void serveRequest(WebKitURISchemeRequest* request, gpointer) {
    const char* rawPath = webkit_uri_scheme_request_get_path(request);
    const std::string file = resolveUiFile(page().uiRoot, rawPath != nullptr ? rawPath : "");
    gchar* contents = nullptr;
    gsize length = 0;
    if (file.empty() || !g_file_get_contents(file.c_str(), &contents, &length, nullptr)) {
        GError* error = g_error_new_literal(schemeErrorDomain(), FILE_DOES_NOT_EXIST, "file does not exist");
        webkit_uri_scheme_request_finish_error(request, error);
        g_error_free(error);
        return;
    }
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

void evaluated(GObject* source, GAsyncResult* result, gpointer) {
    GError* error = nullptr;
    JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
    if (value != nullptr) g_object_unref(value);
    if (error != nullptr) {
        trace("failed", error->message);
        g_error_free(error);
    }
}

void evaluateNow(const std::string& script) {
    // The trace names the delivered document by its first bytes.
    std::string_view shown(script);
    if (shown.substr(0, kDeliveryPrefix.size()) == kDeliveryPrefix) shown.remove_prefix(kDeliveryPrefix.size());
    trace("delivered", shown.substr(0, 64));
    webkit_web_view_evaluate_javascript(page().view, script.data(), static_cast<gssize>(script.size()), nullptr,
                                        nullptr, nullptr, &evaluated, nullptr);
}

void pageMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer) {
    JSCValue* value = webkit_javascript_result_get_js_value(result);
    if (value == nullptr || !jsc_value_is_string(value)) return;  // string bodies only
    gchar* text = jsc_value_to_string(value);
    const std::string_view message(text);
    trace("page", message);
    sendFrame(FrameType::PageMessage, message);
    // The page posts its messages through JSON.stringify: no spaces inside.
    if (message.find("\"type\":\"velmo.ready\"") != std::string_view::npos && !page().ready) {
        page().ready = true;
        while (!page().waiting.empty()) {
            evaluateNow(page().waiting.front());
            page().waiting.pop_front();
        }
    }
    g_free(text);
}

void loadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer) {
    // A new document has no listeners until it says it is ready again.
    if (event == WEBKIT_LOAD_STARTED) page().ready = false;
}

void webProcessEnded(WebKitWebView*, WebKitWebProcessTerminationReason, gpointer) {
    sendFrame(FrameType::Failure, "webview web process ended");
    gtk_main_quit();
}

}  // namespace

GtkWidget* createPageView(const std::string& uiRoot) {
    page().uiRoot = uiRoot;
    WebKitWebContext* context = webkit_web_context_new_ephemeral();
    webkit_web_context_register_uri_scheme(context, "velmo-ui", &serveRequest, nullptr, nullptr);

    WebKitUserContentManager* content = webkit_user_content_manager_new();
    webkit_user_content_manager_register_script_message_handler(content, "velmo");
    g_signal_connect(content, "script-message-received::velmo", G_CALLBACK(&pageMessage), nullptr);
    WebKitUserScript* script =
        webkit_user_script_new(injectedBridgeScript(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                               WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
    webkit_user_content_manager_add_script(content, script);
    webkit_user_script_unref(script);

    WebKitSettings* settings = webkit_settings_new();
    GtkWidget* view = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context,
                                              "user-content-manager", content, "settings", settings, nullptr));
    g_object_unref(settings);
    g_object_unref(content);
    g_object_unref(context);
    if (view == nullptr) return nullptr;
    page().view = WEBKIT_WEB_VIEW(view);
    g_signal_connect(view, "load-changed", G_CALLBACK(&loadChanged), nullptr);
    g_signal_connect(view, "web-process-terminated", G_CALLBACK(&webProcessEnded), nullptr);
    webkit_web_view_load_uri(page().view, pageUrl(uiRoot).c_str());
    return view;
}

void deliverScript(std::string script) {
    // Text that is not UTF-8 would be a syntax error in the page, never a delivery.
    if (!g_utf8_validate(script.data(), static_cast<gssize>(script.size()), nullptr)) return;
    if (page().ready)
        evaluateNow(script);
    else
        page().waiting.push_back(std::move(script));
}

}  // namespace velmo::webview
