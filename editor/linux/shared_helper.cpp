#include "editor/linux/shared_helper.h"

#include <signal.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <mutex>
#include <thread>

#include "platform/child_process.h"
#include "platform/child_reaper.h"
#include "platform/local_socket.h"
#include "platform/module_path.h"
#include "platform/signal_free_thread.h"
#include "platform/wake_signal.h"

namespace velmo {

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* HELPER_NAME = "zuriz-webview";
// How long the helper stays with no view: a host closing one editor and opening the next keeps
// it, an editor closed for good lets it go soon.
constexpr auto LINGER = std::chrono::milliseconds(1500);
// Frames the helper has not taken yet; beyond this a frame is dropped, never waited for.
constexpr std::size_t MAX_QUEUED_BYTES = 8u << 20;

std::string helperPath() {
    const std::string module = loadedModuleFile(reinterpret_cast<const void*>(&helperPath));
    const auto slash = module.find_last_of('/');
    if (slash == std::string::npos) return {};
    return module.substr(0, slash + 1) + HELPER_NAME;
}

}  // namespace

struct ChannelInbox {
    explicit ChannelInbox(std::uint32_t view) : id(view) {}

    void push(ChannelEvent::Kind kind, std::string text) {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            if (lost) return;
            lost = kind == ChannelEvent::Kind::Lost;
            events.push_back({kind, std::move(text)});
        }
        wake.notify();
    }

    const std::uint32_t id;
    WakeSignal wake;
    std::mutex mutex;
    std::deque<ChannelEvent> events;
    bool lost = false;
};

// One helper process and the thread serving its socket.
class HelperLink {
public:
    // Null with the reasons on failure. `uiRoot` names the page the helper prepares ahead.
    static std::shared_ptr<HelperLink> start(const std::string& uiRoot, std::string* reason, std::string* detail) {
        const std::string program = helperPath();
        if (!isExecutableFile(program)) {
            *reason = "webview helper missing";
            *detail = program;
            return nullptr;
        }
        auto link = std::shared_ptr<HelperLink>(new HelperLink);
        int peer = -1;
        if (!link->wake_.isOpen() || !link->socket_.openPair(&peer, detail)) {
            *reason = "webview link failed";
            return nullptr;
        }
        std::vector<std::string> arguments;
        if (!uiRoot.empty()) arguments = {"--prepare", uiRoot};
        link->child_ = ChildProcess::spawn(program, arguments, peer, detail);
        closeDescriptor(peer);
        if (link->child_ == nullptr) {
            *reason = "webview helper failed to start";
            return nullptr;
        }
        link->idleSince_ = Clock::now();
        link->thread_ = link->startThread();
        return link;
    }

    ~HelperLink() { stop(false); }

    bool retired() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return retired_;
    }

    // False once the link has retired: the caller starts another helper.
    bool open(const std::shared_ptr<ChannelInbox>& inbox, const OpenRequest& request) {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (retired_ || !inbox->wake.isOpen()) return false;
        channels_[inbox->id] = inbox;
        queue(FrameType::Open, inbox->id, openPayload(request));
        return true;
    }

    void close(std::uint32_t view) {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (channels_.erase(view) == 0 || retired_) return;
        queue(FrameType::Close, view, {});
        if (channels_.empty()) idleSince_ = Clock::now();
    }

    bool send(std::uint32_t view, FrameType type, std::string_view payload) {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (retired_ || channels_.count(view) == 0) return false;
        return queue(type, view, payload);
    }

    // Ends the thread; the helper goes to the reaper, or (`reap` false: the module's static
    // destructors run and the reaper may be gone) is killed and collected here.
    void stop(bool reap) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
            reapInBackground_ = reap;
        }
        wake_.notify();
        if (thread_.joinable()) thread_.join();
    }

private:
    HelperLink() = default;

    bool queue(FrameType type, std::uint32_t view, std::string_view payload) {
        std::string frame;
        if (!appendFrame(frame, type, view, payload)) return false;
        if (outgoing_.size() + frame.size() > MAX_QUEUED_BYTES) {
            std::fprintf(stderr, "velmo-plugin-shell: editor busy; %zu-byte frame dropped\n", payload.size());
            return false;
        }
        outgoing_ += frame;
        wake_.notify();
        return true;
    }

    std::thread startThread() {
        return startSignalFreeThread([this] { run(); });
    }

    void run() {
        std::unique_lock<std::mutex> lock(mutex_);
        std::string reason;
        while (!stopping_ && reason.empty()) {
            int timeoutMs = -1;
            if (channels_.empty()) {
                const auto left = idleSince_ + LINGER - Clock::now();
                if (left <= Clock::duration::zero()) break;
                timeoutMs = static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
            }
            const bool wantWrite = !outgoing_.empty();
            lock.unlock();
            const LinkReadiness ready = waitForLink(socket_.fd(), wantWrite, wake_, timeoutMs);
            lock.lock();
            wake_.clear();
            if (!outgoing_.empty()) {
                const long written = socket_.writeSome(outgoing_.data(), outgoing_.size());
                if (written < 0)
                    reason = "webview helper exited";
                else
                    outgoing_.erase(0, static_cast<std::size_t>(written));
            }
            if (ready.readable && reason.empty()) reason = readFrames();
        }
        // Retired: idle too long, stopped, or the helper is gone. Every view still open hears why.
        retired_ = true;
        if (reason.empty() && stopping_) reason = "webview helper closed";
        for (auto& [view, inbox] : channels_) inbox->push(ChannelEvent::Kind::Lost, reason);
        channels_.clear();
        outgoing_.clear();
        const bool reap = reapInBackground_ || !stopping_;
        lock.unlock();
        socket_.close();  // the helper exits at the end of its socket
        if (!reason.empty() && child_ != nullptr) child_->kill();
        if (reap)
            reapInBackground(std::move(child_));
        else
            child_.reset();
    }

    // Empty while the link stands; else why it fell.
    std::string readFrames() {
        std::string bytes;
        const LocalSocket::ReadResult result = socket_.readAvailable(bytes);
        reader_.feed(bytes.data(), bytes.size());
        FrameType type{};
        std::uint32_t view = 0;
        std::string payload;
        for (;;) {
            const FrameReader::Next next = reader_.next(type, view, payload);
            if (next == FrameReader::Next::NeedMore) break;
            if (next == FrameReader::Next::Corrupt) return "webview link corrupt";
            if (type == FrameType::Failure && view == kHelperView) {
                failure_ = payload;
                continue;
            }
            const auto found = channels_.find(view);
            if (found == channels_.end()) continue;  // a view closed meanwhile
            if (type == FrameType::PageMessage) {
                found->second->push(ChannelEvent::Kind::PageMessage, std::move(payload));
            } else if (type == FrameType::Shown) {
                found->second->push(ChannelEvent::Kind::Shown, std::move(payload));
            } else if (type == FrameType::Failure) {
                // That view alone is gone; the helper serves the others.
                found->second->push(ChannelEvent::Kind::Lost, std::move(payload));
                channels_.erase(found);
                if (channels_.empty()) idleSince_ = Clock::now();
            }
        }
        if (result == LocalSocket::ReadResult::Closed) return failure_.empty() ? "webview helper exited" : failure_;
        return {};
    }

    std::mutex mutex_;
    LocalSocket socket_;
    WakeSignal wake_;
    std::unique_ptr<ChildProcess> child_;
    std::thread thread_;
    FrameReader reader_;
    std::string outgoing_;
    std::string failure_;
    std::map<std::uint32_t, std::shared_ptr<ChannelInbox>> channels_;
    Clock::time_point idleSince_;
    bool retired_ = false;
    bool stopping_ = false;
    bool reapInBackground_ = false;
};

namespace {

struct Helpers {
    std::mutex mutex;
    std::shared_ptr<HelperLink> link;
    std::uint32_t nextView = 1;

    // The running link, or null; a retired one is let go (its thread has ended or is ending).
    std::shared_ptr<HelperLink> live() {
        if (link != nullptr && link->retired()) {
            link->stop(true);
            link.reset();
        }
        return link;
    }
};

Helpers& helpers() {
    static Helpers instance;
    return instance;
}

}  // namespace

HelperChannel::HelperChannel(std::shared_ptr<HelperLink> link, std::shared_ptr<ChannelInbox> inbox)
    : link_(std::move(link)), inbox_(std::move(inbox)) {}

HelperChannel::~HelperChannel() { link_->close(inbox_->id); }

std::uint32_t HelperChannel::id() const { return inbox_->id; }

int HelperChannel::wakeFd() const { return inbox_->wake.fd(); }

bool HelperChannel::send(FrameType type, std::string_view payload) { return link_->send(inbox_->id, type, payload); }

std::deque<ChannelEvent> HelperChannel::take() {
    inbox_->wake.clear();
    std::deque<ChannelEvent> out;
    const std::lock_guard<std::mutex> lock(inbox_->mutex);
    out.swap(inbox_->events);
    return out;
}

void warmUpWebViewHelper(const std::string& uiRoot) {
    Helpers& h = helpers();
    const std::lock_guard<std::mutex> lock(h.mutex);
    if (h.live() != nullptr) return;
    std::string reason;
    std::string detail;
    h.link = HelperLink::start(uiRoot, &reason, &detail);
}

std::unique_ptr<HelperChannel> openHelperChannel(const OpenRequest& request, std::string* reason,
                                                 std::string* detail) {
    Helpers& h = helpers();
    const std::lock_guard<std::mutex> lock(h.mutex);
    auto inbox = std::make_shared<ChannelInbox>(h.nextView++);
    if (h.nextView == kHelperView) h.nextView = 1;
    // Twice at most: a link may retire between the look and the open.
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::shared_ptr<HelperLink> link = h.live();
        if (link == nullptr) link = h.link = HelperLink::start(request.uiRoot, reason, detail);
        if (link == nullptr) return nullptr;
        if (link->open(inbox, request)) return std::make_unique<HelperChannel>(link, inbox);
        h.live();
    }
    *reason = "webview link failed";
    return nullptr;
}

void closeWebViewHelper() {
    Helpers& h = helpers();
    std::shared_ptr<HelperLink> link;
    {
        const std::lock_guard<std::mutex> lock(h.mutex);
        link = std::move(h.link);
    }
    if (link != nullptr) link->stop(true);
}

}  // namespace velmo
