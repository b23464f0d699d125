// zuriz-webview --window <X11 window id> --width <w> --height <h> --root <UI folder>
// The editor page in a GtkPlug embedded in the host's window. Descriptor 3 is the link to the
// plug-in: scripts and sizes come in, page messages go out; its end means exit.
#include <fcntl.h>
#include <glib-unix.h>
#include <gtk/gtk.h>
#include <gtk/gtkx.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <X11/Xlib.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "editor/webview/helper_link.h"
#include "editor/webview/page_view.h"

namespace {

using namespace velmo;
using namespace velmo::webview;

struct Options {
    unsigned long window = 0;
    int width = 760;
    int height = 620;
    std::string root;
};

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        const char* value = argv[i + 1];
        if (key == "--window")
            options.window = std::strtoul(value, nullptr, 10);
        else if (key == "--width")
            options.width = std::atoi(value);
        else if (key == "--height")
            options.height = std::atoi(value);
        else if (key == "--root")
            options.root = value;
        else
            return false;
    }
    return options.window != 0 && options.width > 0 && options.height > 0 && !options.root.empty();
}

GtkWidget* plug = nullptr;
FrameReader reader;

void resizePlug(int width, int height) {
    // gtk_window_resize snaps back inside a plug; the GDK window takes the size.
    GdkWindow* window = plug != nullptr ? gtk_widget_get_window(plug) : nullptr;
    if (window != nullptr) gdk_window_move_resize(window, 0, 0, width, height);
}

gboolean linkReadable(gint fd, GIOCondition, gpointer) {
    char buffer[64 * 1024];
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return G_SOURCE_CONTINUE;
    if (n <= 0) {  // the plug-in closed the editor, or is gone
        gtk_main_quit();
        return G_SOURCE_REMOVE;
    }
    reader.feed(buffer, static_cast<std::size_t>(n));
    FrameType type{};
    std::string payload;
    for (;;) {
        const FrameReader::Next next = reader.next(type, payload);
        if (next == FrameReader::Next::NeedMore) break;
        if (next == FrameReader::Next::Corrupt || type == FrameType::Close) {
            gtk_main_quit();
            return G_SOURCE_REMOVE;
        }
        std::int32_t width = 0;
        std::int32_t height = 0;
        if (type == FrameType::Script)
            deliverScript(std::move(payload));
        else if (type == FrameType::Resize && parseResize(payload, width, height))
            resizePlug(width, height);
    }
    return G_SOURCE_CONTINUE;
}

// The host destroyed its window (and so our plug): leave quietly instead of dying on X errors.
GdkFilterReturn watchDestroy(GdkXEvent* xevent, GdkEvent*, gpointer) {
    const XEvent* event = static_cast<const XEvent*>(xevent);
    if (event->type == DestroyNotify && plug != nullptr && gtk_widget_get_window(plug) != nullptr &&
        event->xdestroywindow.window == gdk_x11_window_get_xid(gtk_widget_get_window(plug))) {
        gdk_x11_display_error_trap_push(gdk_display_get_default());
        gtk_main_quit();
    }
    return GDK_FILTER_CONTINUE;
}

}  // namespace

int main(int argc, char** argv) {
    // Leave with the plug-in's host, and keep the link out of WebKit's own processes.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    ::fcntl(kLinkFd, F_SETFD, FD_CLOEXEC);
    ::signal(SIGPIPE, SIG_IGN);

    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fputs("velmo-plugin-shell: zuriz-webview: bad arguments\n", stderr);
        sendFrame(FrameType::Failure, "webview helper bad arguments");
        return 2;
    }
    // No shader cache in the user's home, and the quicker non-compositing start.
    ::setenv("MESA_SHADER_CACHE_DISABLE", "true", 0);
    ::setenv("WEBKIT_DISABLE_COMPOSITING_MODE", "1", 0);

    gdk_set_allowed_backends("x11");
    if (!gtk_init_check(nullptr, nullptr)) {
        std::fputs("velmo-plugin-shell: zuriz-webview: no X display\n", stderr);
        sendFrame(FrameType::Failure, "webview display unavailable");
        return 1;
    }

    GtkWidget* view = createPageView(options.root);
    if (view == nullptr) {
        sendFrame(FrameType::Failure, "webview allocation failed");
        return 1;
    }
    plug = gtk_plug_new(static_cast<Window>(options.window));
    gtk_window_set_default_size(GTK_WINDOW(plug), options.width, options.height);
    gtk_container_add(GTK_CONTAINER(plug), view);
    gtk_widget_show_all(plug);
    // Without this the plug stays unmapped: the page runs at 0x0 and nothing is seen.
    gdk_window_show(gtk_widget_get_window(plug));
    resizePlug(options.width, options.height);
    gdk_window_add_filter(nullptr, &watchDestroy, nullptr);
    g_unix_fd_add(kLinkFd, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR), &linkReadable, nullptr);

    gtk_main();
    return 0;
}
