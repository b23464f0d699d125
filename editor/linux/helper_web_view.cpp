// The Linux web view: a view in the module's helper process (zuriz-webview, next to the module),
// which embeds a WebKitGTK view in the host's X11 window. GTK never enters the host's process, and
// a crash of the web engine takes down only the helper. What the view receives is read on the
// view's own run loop.
#include <cstdio>
#include <string>

#include "editor/embedded_web_view.h"
#include "editor/page_script.h"
#include "editor/linux/shared_helper.h"

namespace velmo {

namespace {

void reportFailure(BridgeHost& host, const char* reason, const std::string& detail) {
    std::fprintf(stderr, "velmo-plugin-shell: editor failed: %s%s%s\n", reason, detail.empty() ? "" : ": ",
                 detail.c_str());
    host.onEditorError(reason);
}

class HelperWebView final : public EmbeddedWebView {
public:
    HelperWebView(BridgeHost& host, std::shared_ptr<RunLoop> loop) : host_(host), loop_(std::move(loop)) {}

    ~HelperWebView() override {
        if (open_) {
            host_.onEditorClosed();
            host_.setBridgeSink({});
        }
        watch_.reset();
        channel_.reset();
    }

    bool start(const std::string& uiRoot, void* parent, std::int32_t width, std::int32_t height) {
        std::string reason;
        std::string detail;
        channel_ = openHelperChannel({reinterpret_cast<std::uintptr_t>(parent), width, height, uiRoot}, &reason,
                                     &detail);
        if (channel_ == nullptr) {
            reportFailure(host_, reason.c_str(), detail);
            return false;
        }
        watch_ = watchFd(loop_, channel_->wakeFd(), &HelperWebView::onReadable, this);
        if (watch_ == nullptr) {
            channel_.reset();
            reportFailure(host_, "webview link failed", "the run loop watches no descriptors");
            return false;
        }
        open_ = true;
        host_.setBridgeSink([this](const std::string& document) {
            std::string script;
            if (deliveryScript(document, script)) channel_->send(FrameType::Script, script);
        });
        host_.onEditorOpened();
        return true;
    }

    void setSize(std::int32_t width, std::int32_t height) override {
        if (open_) channel_->send(FrameType::Resize, resizePayload(width, height));
    }

private:
    static void onReadable(void* self) { static_cast<HelperWebView*>(self)->receive(); }

    void receive() {
        for (ChannelEvent& event : channel_->take()) {
            if (event.kind == ChannelEvent::Kind::Lost) return lose(event.text);
            if (event.kind == ChannelEvent::Kind::Shown) {
                host_.onEditorShown(event.text == "1");
                continue;
            }
            host_.handleBridgeMessage(event.text.data(), event.text.size());
            if (!open_) return;  // the page's message closed the editor
        }
    }

    // The helper or this view's page is gone: the editor stays attached but empty until removed.
    void lose(const std::string& reason) {
        if (!open_) return;
        open_ = false;
        host_.setBridgeSink({});
        reportFailure(host_, reason.c_str(), {});
        host_.onEditorClosed();
        watch_.reset();
        channel_.reset();
    }

    BridgeHost& host_;
    std::shared_ptr<RunLoop> loop_;
    std::unique_ptr<HelperChannel> channel_;
    std::unique_ptr<FdWatch> watch_;
    bool open_ = false;
};

}  // namespace

void closeEmbeddedWebViews() { closeWebViewHelper(); }

void prepareEmbeddedWebView(const std::string& uiRoot) {
    if (!uiRoot.empty()) warmUpWebViewHelper(uiRoot);
}

std::unique_ptr<EmbeddedWebView> createEmbeddedWebView(BridgeHost& host, const std::string& uiRoot,
                                                       void* parent, std::int32_t width,
                                                       std::int32_t height,
                                                       const std::shared_ptr<RunLoop>& loop) {
    if (uiRoot.empty()) {
        host.onEditorError("no ui root");
        return nullptr;
    }
    if (loop == nullptr) {
        reportFailure(host, "no run loop for the editor", {});
        return nullptr;
    }
    auto view = std::make_unique<HelperWebView>(host, loop);
    if (!view->start(uiRoot, parent, width, height)) return nullptr;
    return view;
}

}  // namespace velmo
