#pragma once
// A bare X11 top-level window standing in for a host's editor window: its id is what a Linux
// host hands a plug-in view ("X11EmbedWindowID"). It can inject pointer input (XTest) and
// capture what is shown inside it, embedded children included.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velmo::host {

struct Capture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;  // width * height * 3

    // Variance of the grey level over the whole image.
    double variance() const;
    // Mean grey level of the w x h rectangle at x, y (inside the image).
    double meanGrey(int x, int y, int w, int h) const;
    // Fraction of pixels that differ between two captures of the same size.
    double differenceFrom(const Capture& other) const;
    bool writePpm(const std::string& path) const;
};

class X11TestWindow {
public:
    // A mapped window of the given size at the screen's top-left on `display` (null: $DISPLAY).
    // Null when no display can be opened.
    static std::unique_ptr<X11TestWindow> open(int width, int height, const char* display = nullptr);
    ~X11TestWindow();
    X11TestWindow(const X11TestWindow&) = delete;
    X11TestWindow& operator=(const X11TestWindow&) = delete;

    // The window id as a host passes it to IPlugView::attached.
    void* parentHandle() const;
    void resize(int width, int height);
    // Maps or unmaps the window, as a host shows or hides an editor window it keeps; returns
    // once the server has done it.
    void setShown(bool shown);
    // A left click at window coordinates through XTest, the window raised above its siblings
    // first; false when the server lacks XTest.
    bool click(int x, int y);
    Capture capture();

private:
    X11TestWindow() = default;
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

}  // namespace velmo::host
