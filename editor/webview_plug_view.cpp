#include "editor/webview_plug_view.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "controller/editor_host.h"
#include "editor/embedded_web_view.h"
#include "editor/ui_root.h"
#include "platform/native_view.h"
#include "platform/run_loop.h"
#include "platform/run_loop_host.h"

namespace velmo {

using namespace Steinberg;

namespace {

const ViewRect INITIAL_RECT{0, 0, kEditorWidth, kEditorHeight};

void clampRect(ViewRect& rect) {
    const int32 width = std::clamp(rect.right - rect.left, kEditorMinWidth, kEditorMaxWidth);
    const int32 height = std::clamp(rect.bottom - rect.top, kEditorMinHeight, kEditorMaxHeight);
    rect.right = rect.left + width;
    rect.bottom = rect.top + height;
}

bool isOurPlatformType(FIDString type) {
    const char* ours = nativeViewType();
    return type != nullptr && ours != nullptr && std::strcmp(type, ours) == 0;
}

}  // namespace

WebViewPlugView::WebViewPlugView(EditorHost* host, std::string uiRoot)
    : CPluginView(&INITIAL_RECT), host_(host), uiRoot_(std::move(uiRoot)) {
    if (host_ != nullptr) host_->editorHostObject()->addRef();
    // Hosts attach right after creating the view: the web engine starts meanwhile.
    if (host_ != nullptr) prepareEmbeddedWebView(uiRoot_);
}

WebViewPlugView::~WebViewPlugView() {
    detach();
    if (host_ != nullptr) host_->editorHostObject()->release();
}

tresult PLUGIN_API WebViewPlugView::isPlatformTypeSupported(FIDString type) {
    return isOurPlatformType(type) ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API WebViewPlugView::attached(void* parent, FIDString type) {
    if (!isOurPlatformType(type) || parent == nullptr || host_ == nullptr) return kResultFalse;
    detach();  // a second attach replaces the web view and the timer
    // The plug frame's loop where the host offers one there; else the loop the host offered on
    // its context (or a tool's manual loop).
    std::shared_ptr<RunLoop> loop = hostRunLoopFrom(plugFrame);
    if (loop == nullptr) loop = currentRunLoop();
    lentCadenceClock_ = host_->startCadenceClockOn(plugFrame);

    webView_ = createEmbeddedWebView(*host_, uiRoot_, parent, rect.getWidth(), rect.getHeight(), loop);
    if (webView_ == nullptr) {
        detach();  // a refused attach is never removed: nothing may stay on the frame's loop
        return kResultFalse;
    }
    cadence_ = scheduleRepeatingTimer(loop, kDefaultTimerIntervalSeconds, &WebViewPlugView::cadenceTick, this);
    return CPluginView::attached(parent, type);
}

tresult PLUGIN_API WebViewPlugView::removed() {
    detach();
    return CPluginView::removed();
}

tresult PLUGIN_API WebViewPlugView::checkSizeConstraint(ViewRect* r) {
    if (r == nullptr) return kInvalidArgument;
    clampRect(*r);
    return kResultTrue;
}

tresult PLUGIN_API WebViewPlugView::onSize(ViewRect* newSize) {
    if (newSize == nullptr) return kResultFalse;
    clampRect(*newSize);
    const tresult result = CPluginView::onSize(newSize);
    if (webView_ != nullptr) webView_->setSize(newSize->getWidth(), newSize->getHeight());
    return result;
}

void WebViewPlugView::cadenceTick(void* context) {
    auto* view = static_cast<WebViewPlugView*>(context);
    view->host_->tickCadence();
}

// Lets go of everything of the frame's run loop: the host may destroy it once removed() returns.
void WebViewPlugView::detach() {
    cadence_.reset();
    webView_.reset();
    if (lentCadenceClock_) host_->returnCadenceClock();
    lentCadenceClock_ = false;
}

IPlugView* createWebViewEditor(EditorHost* host, const char* uiRoot) {
    const std::string root = uiRoot != nullptr ? std::string(uiRoot) : pluginUiRoot();
    if (host == nullptr || root.empty()) {
        std::fputs("velmo-plugin-shell: no UI bundle found; editor disabled\n", stderr);
        if (host != nullptr) host->onEditorError("no ui bundle in plugin");
        return nullptr;
    }
    return new WebViewPlugView(host, root);
}

}  // namespace velmo
