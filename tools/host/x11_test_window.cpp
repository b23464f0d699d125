#include "tools/host/x11_test_window.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <cmath>
#include <cstdio>

namespace velmo::host {

struct X11TestWindow::Parts {
    Display* display = nullptr;
    Window window = 0;
    int width = 0;
    int height = 0;
};

double Capture::meanGrey(int x, int y, int w, int h) const {
    double sum = 0.0;
    for (int row = y; row < y + h; ++row)
        for (int col = x; col < x + w; ++col) {
            const std::uint8_t* p = &rgb[(static_cast<std::size_t>(row) * width + col) * 3];
            sum += (p[0] + p[1] + p[2]) / 3.0;
        }
    return sum / (w * h);
}

double Capture::variance() const {
    double sum = 0.0;
    double squares = 0.0;
    std::size_t n = 0;
    for (int row = 0; row < height; ++row) {
        for (int col = 0; col < width; ++col) {
            const std::uint8_t* p = &rgb[(static_cast<std::size_t>(row) * width + col) * 3];
            const double grey = 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
            sum += grey;
            squares += grey * grey;
            ++n;
        }
    }
    if (n == 0) return 0.0;
    const double mean = sum / static_cast<double>(n);
    return squares / static_cast<double>(n) - mean * mean;
}

double Capture::differenceFrom(const Capture& other) const {
    if (other.width != width || other.height != height || rgb.empty()) return 1.0;
    std::size_t differing = 0;
    for (std::size_t i = 0; i < rgb.size(); i += 3)
        if (rgb[i] != other.rgb[i] || rgb[i + 1] != other.rgb[i + 1] || rgb[i + 2] != other.rgb[i + 2]) ++differing;
    return static_cast<double>(differing) / static_cast<double>(rgb.size() / 3);
}

bool Capture::writePpm(const std::string& path) const {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    std::fprintf(file, "P6\n%d %d\n255\n", width, height);
    const bool ok = std::fwrite(rgb.data(), 1, rgb.size(), file) == rgb.size();
    return std::fclose(file) == 0 && ok;
}

std::unique_ptr<X11TestWindow> X11TestWindow::open(int width, int height, const char* displayName) {
    Display* display = XOpenDisplay(displayName);
    if (display == nullptr) return nullptr;
    std::unique_ptr<X11TestWindow> w(new X11TestWindow);
    w->parts_ = std::make_unique<Parts>();
    w->parts_->display = display;
    w->parts_->width = width;
    w->parts_->height = height;
    const int screen = DefaultScreen(display);
    w->parts_->window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, width, height, 0,
                                            BlackPixel(display, screen), BlackPixel(display, screen));
    XSelectInput(display, w->parts_->window, StructureNotifyMask);
    XMapWindow(display, w->parts_->window);
    XEvent event;
    do XWindowEvent(display, w->parts_->window, StructureNotifyMask, &event);
    while (event.type != MapNotify);
    return w;
}

X11TestWindow::~X11TestWindow() {
    if (parts_ == nullptr) return;
    XDestroyWindow(parts_->display, parts_->window);
    XCloseDisplay(parts_->display);
}

void* X11TestWindow::parentHandle() const {
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(parts_->window));
}

void X11TestWindow::resize(int width, int height) {
    parts_->width = width;
    parts_->height = height;
    XResizeWindow(parts_->display, parts_->window, width, height);
    XSync(parts_->display, False);
}

void X11TestWindow::setShown(bool shown) {
    if (shown)
        XMapWindow(parts_->display, parts_->window);
    else
        XUnmapWindow(parts_->display, parts_->window);
    const int wanted = shown ? MapNotify : UnmapNotify;
    XEvent event;
    do XWindowEvent(parts_->display, parts_->window, StructureNotifyMask, &event);
    while (event.type != wanted);
}

bool X11TestWindow::click(int x, int y) {
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(parts_->display, &event, &error, &major, &minor)) return false;
    XRaiseWindow(parts_->display, parts_->window);
    const int screen = DefaultScreen(parts_->display);
    int rootX = 0, rootY = 0;
    Window child = 0;
    XTranslateCoordinates(parts_->display, parts_->window, RootWindow(parts_->display, screen), x, y, &rootX,
                          &rootY, &child);
    XTestFakeMotionEvent(parts_->display, screen, rootX, rootY, CurrentTime);
    XTestFakeButtonEvent(parts_->display, 1, True, 20);
    XTestFakeButtonEvent(parts_->display, 1, False, 60);
    XSync(parts_->display, False);
    return true;
}

Capture X11TestWindow::capture() {
    Capture out;
    XSync(parts_->display, False);
    XImage* image = XGetImage(parts_->display, parts_->window, 0, 0, parts_->width, parts_->height, AllPlanes,
                              ZPixmap);
    if (image == nullptr) return out;
    out.width = parts_->width;
    out.height = parts_->height;
    out.rgb.resize(static_cast<std::size_t>(out.width) * out.height * 3);
    std::size_t i = 0;
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            out.rgb[i++] = static_cast<std::uint8_t>((pixel & image->red_mask) >> 16);
            out.rgb[i++] = static_cast<std::uint8_t>((pixel & image->green_mask) >> 8);
            out.rgb[i++] = static_cast<std::uint8_t>(pixel & image->blue_mask);
        }
    }
    XDestroyImage(image);
    return out;
}

}  // namespace velmo::host
