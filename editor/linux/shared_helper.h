#pragma once
// The module's one web-view helper: every editor of the host process is a view in the same
// helper process (and the same web engine), on its own channel of the link. The helper starts
// with the first view (or ahead of it, see warmUpWebViewHelper) and exits a short while after the
// last view has gone. The link is served by a thread of our own, so no view depends on another
// view's run loop; what a view receives waits for it behind a descriptor its own loop watches.
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>

#include "editor/bridge_frames.h"

namespace velmo {

class HelperLink;
struct ChannelInbox;

struct ChannelEvent {
    enum class Kind { PageMessage, Shown, Lost } kind;
    std::string text;  // the page's message, "1"/"0" for shown/hidden, or why the view was lost
};

class HelperChannel {
public:
    HelperChannel(std::shared_ptr<HelperLink> link, std::shared_ptr<ChannelInbox> inbox);
    // Takes the view's window down in the helper; the helper lingers a while if it was the last.
    ~HelperChannel();
    HelperChannel(const HelperChannel&) = delete;
    HelperChannel& operator=(const HelperChannel&) = delete;

    std::uint32_t id() const;
    // Readable while events wait; watch it on the view's own loop.
    int wakeFd() const;
    // Queues a frame for this view; false when the link is gone or too much already waits.
    bool send(FrameType type, std::string_view payload);
    // Everything received so far, oldest first. A Lost event is the last one.
    std::deque<ChannelEvent> take();

private:
    std::shared_ptr<HelperLink> link_;
    std::shared_ptr<ChannelInbox> inbox_;
};

// Starts the helper when none runs, preparing a page of `uiRoot`, so that its start overlaps
// the host's own work before the first attach. Quiet on failure: the attach reports it.
void warmUpWebViewHelper(const std::string& uiRoot);

// Opens a view in the helper (started now when none runs). Null on failure, with a short
// reason in *reason and any detail in *detail.
std::unique_ptr<HelperChannel> openHelperChannel(const OpenRequest& request, std::string* reason,
                                                 std::string* detail);

// Module exit: the link closes, its thread is joined and the helper is handed to the reaper.
void closeWebViewHelper();

}  // namespace velmo
