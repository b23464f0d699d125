#pragma once
// A page whose window the host hides without detaching the editor (as hosts that keep closed
// editors do) is idle: the documents that only keep it current are held back, not queued for
// it, and when it is shown again a new hello brings it up to date at once. Answers to the
// page's own requests still go out.
#include <string_view>

namespace velmo {

class HiddenPage {
public:
    // True when the page is visible again after documents were held back from it.
    bool setShown(bool shown);
    // Whether `document` goes to the page now; one held back is remembered as missed.
    bool admits(std::string_view document);
    // A new page, or none: shown, nothing missed.
    void reset() { *this = HiddenPage(); }

private:
    bool hidden_ = false;
    bool missed_ = false;
};

}  // namespace velmo
