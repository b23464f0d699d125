// The Linux web view: a helper process (zuriz-webview, next to the module) that embeds a
// WebKitGTK view in the host's X11 window. GTK never enters the host's process, and a crash of
// the web engine takes down only the helper. The link is one socket read on the host's run loop.
#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "editor/bridge_frames.h"
#include "editor/embedded_web_view.h"
#include "editor/page_script.h"
#include "platform/child_process.h"
#include "platform/child_reaper.h"
#include "platform/local_socket.h"
#include "platform/module_path.h"

namespace velmo {

namespace {

constexpr const char* HELPER_NAME = "zuriz-webview";
// Documents the helper has not taken yet; beyond this a document is dropped, never waited for.
constexpr std::size_t MAX_QUEUED_BYTES = 8u << 20;

std::string helperPath() {
    const std::string module = loadedModuleFile(reinterpret_cast<const void*>(&helperPath));
    const auto slash = module.find_last_of('/');
    if (slash == std::string::npos) return {};
    return module.substr(0, slash + 1) + HELPER_NAME;
}

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
            send(FrameType::Close, {});
        }
        watch_.reset();
        socket_.close();  // the helper exits at the end of its socket
        reapInBackground(std::move(child_));
    }

    bool start(const std::string& uiRoot, void* parent, std::int32_t width, std::int32_t height) {
        const std::string program = helperPath();
        if (!isExecutableFile(program)) {
            reportFailure(host_, "webview helper missing", program);
            return false;
        }
        int peer = -1;
        std::string error;
        if (!socket_.openPair(&peer, &error)) {
            reportFailure(host_, "webview link failed", error);
            return false;
        }
        char window[32];
        std::snprintf(window, sizeof window, "%" PRIuPTR, reinterpret_cast<std::uintptr_t>(parent));
        child_ = ChildProcess::spawn(
            program, {"--window", window, "--width", std::to_string(width), "--height", std::to_string(height),
                      "--root", uiRoot},
            peer, &error);
        ::velmo::closeDescriptor(peer);
        if (child_ == nullptr) {
            reportFailure(host_, "webview helper failed to start", error);
            return false;
        }
        watch_ = watchFd(loop_, socket_.fd(), &HelperWebView::onReadable, this);
        if (watch_ == nullptr) {
            reportFailure(host_, "webview link failed", "the run loop watches no descriptors");
            return false;
        }
        open_ = true;
        host_.setBridgeSink([this](const std::string& document) {
            std::string script;
            if (deliveryScript(document, script)) send(FrameType::Script, script);
        });
        host_.onEditorOpened();
        return true;
    }

    void setSize(std::int32_t width, std::int32_t height) override {
        if (open_) send(FrameType::Resize, resizePayload(width, height));
    }

    void tick() override { flush(); }

private:
    static void onReadable(void* self) { static_cast<HelperWebView*>(self)->readFrames(); }

    void readFrames() {
        std::string bytes;
        const LocalSocket::ReadResult result = socket_.readAvailable(bytes);
        reader_.feed(bytes.data(), bytes.size());
        FrameType type{};
        std::string payload;
        for (;;) {
            const FrameReader::Next next = reader_.next(type, payload);
            if (next == FrameReader::Next::NeedMore) break;
            if (next == FrameReader::Next::Corrupt) return lose("webview link corrupt");
            if (type == FrameType::PageMessage)
                host_.handleBridgeMessage(payload.data(), payload.size());
            else if (type == FrameType::Failure)
                failure_ = payload;
            if (!open_) return;  // the page's message closed the editor
        }
        if (result == LocalSocket::ReadResult::Closed)
            return lose(failure_.empty() ? "webview helper exited" : failure_.c_str());
        flush();
    }

    void send(FrameType type, const std::string& payload) {
        std::string frame;
        if (!appendFrame(frame, type, payload)) return;
        if (outgoing_.size() + frame.size() > MAX_QUEUED_BYTES) {
            std::fprintf(stderr, "velmo-plugin-shell: editor busy; %zu-byte document dropped\n", payload.size());
            return;
        }
        outgoing_ += frame;
        flush();
    }

    void flush() {
        if (outgoing_.empty() || !socket_.isOpen()) return;
        const long written = socket_.writeSome(outgoing_.data(), outgoing_.size());
        if (written < 0) return lose("webview helper exited");
        outgoing_.erase(0, static_cast<std::size_t>(written));
    }

    // The helper is gone or unusable: the editor stays attached but empty until removed.
    void lose(const char* reason) {
        if (!open_) return;
        open_ = false;
        host_.setBridgeSink({});
        reportFailure(host_, reason, {});
        host_.onEditorClosed();
        watch_.reset();
        socket_.close();
        outgoing_.clear();
        if (child_ != nullptr) child_->kill();
        reapInBackground(std::move(child_));
    }

    BridgeHost& host_;
    std::shared_ptr<RunLoop> loop_;
    LocalSocket socket_;
    std::unique_ptr<ChildProcess> child_;
    std::unique_ptr<FdWatch> watch_;
    FrameReader reader_;
    std::string outgoing_;
    std::string failure_;
    bool open_ = false;
};

}  // namespace

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
