#pragma once
// A page whose window the host hides without detaching the editor (as hosts that keep closed
// editors do) is idle: the documents that only keep it current are held back, not queued for
// it, and when it is shown again a new hello brings it up to date at once. Answers to the
// page's own requests still go out.
#include <string_view>

#include "controller/bridge_host.h"

namespace velmo {

class HiddenPage {
public:
    // A new page's sink (or none), passing on what admits lets through; the page starts shown.
    // The answer refers to this object: it must not outlive it.
    BridgeSink gate(BridgeSink sink);
    // True when the page is visible again after documents were held back from it.
    bool setShown(bool shown);
    // Whether `document` goes to the page now; one held back is remembered as missed.
    bool admits(std::string_view document);

private:
    bool hidden_ = false;
    bool missed_ = false;
};

}  // namespace velmo
