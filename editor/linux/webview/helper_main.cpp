// zuriz-webview [--prepare <UI folder>]
// Every editor of one plug-in host process: each a page in a GtkPlug embedded in that editor's
// host window, on its own view id of the link. Descriptor 3 is the link to the plug-in: views
// opened and closed, scripts and sizes come in, page messages go out; its end means exit.
// --prepare starts loading a page of that folder before any view is asked for.
#include <fcntl.h>
#include <glib-unix.h>
#include <gtk/gtk.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "editor/linux/webview/helper_link.h"
#include "editor/linux/webview/page_view.h"

namespace {

using namespace velmo;
using namespace velmo::webview;

FrameReader reader;

void handleFrame(FrameType type, std::uint32_t view, std::string& payload) {
    std::int32_t width = 0;
    std::int32_t height = 0;
    OpenRequest open;
    switch (type) {
        case FrameType::Open:
            if (!parseOpen(payload, open) || !openView(view, open))
                sendFrame(FrameType::Failure, view, "webview allocation failed");
            break;
        case FrameType::Close:
            closeView(view);
            break;
        case FrameType::Script:
            deliverScript(view, std::move(payload));
            break;
        case FrameType::Resize:
            if (parseResize(payload, width, height)) resizeView(view, width, height);
            break;
        default:
            break;
    }
}

gboolean linkReadable(gint fd, GIOCondition, gpointer) {
    char buffer[64 * 1024];
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return G_SOURCE_CONTINUE;
    if (n <= 0) {  // the plug-in let the helper go, or is gone
        gtk_main_quit();
        return G_SOURCE_REMOVE;
    }
    reader.feed(buffer, static_cast<std::size_t>(n));
    FrameType type{};
    std::uint32_t view = 0;
    std::string payload;
    for (;;) {
        const FrameReader::Next next = reader.next(type, view, payload);
        if (next == FrameReader::Next::NeedMore) break;
        if (next == FrameReader::Next::Corrupt) {
            gtk_main_quit();
            return G_SOURCE_REMOVE;
        }
        handleFrame(type, view, payload);
    }
    return G_SOURCE_CONTINUE;
}

}  // namespace

int main(int argc, char** argv) {
    // Leave with the plug-in's host, and keep the link out of WebKit's own processes.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    ::fcntl(kLinkFd, F_SETFD, FD_CLOEXEC);
    ::signal(SIGPIPE, SIG_IGN);

    std::string prepare;
    if (argc == 3 && std::string(argv[1]) == "--prepare") {
        prepare = argv[2];
    } else if (argc != 1) {
        std::fputs("velmo-plugin-shell: zuriz-webview: bad arguments\n", stderr);
        sendFrame(FrameType::Failure, kHelperView, "webview helper bad arguments");
        return 2;
    }
    // No shader cache in the user's home, and the quicker non-compositing start.
    ::setenv("MESA_SHADER_CACHE_DISABLE", "true", 0);
    ::setenv("WEBKIT_DISABLE_COMPOSITING_MODE", "1", 0);

    tracePhase("started", kHelperView);
    gdk_set_allowed_backends("x11");
    if (!gtk_init_check(nullptr, nullptr)) {
        std::fputs("velmo-plugin-shell: zuriz-webview: no X display\n", stderr);
        sendFrame(FrameType::Failure, kHelperView, "webview display unavailable");
        return 1;
    }
    tracePhase("gtk", kHelperView);
    g_unix_fd_add(kLinkFd, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR), &linkReadable, nullptr);
    if (!prepare.empty()) preparePage(prepare);

    gtk_main();
    return 0;
}
