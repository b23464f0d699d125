#pragma once
// A private X server for one test program: Xvfb on a free display number, made the process's
// $DISPLAY. A test that needs it fails loudly when it cannot start.
#include <memory>
#include <string>

#include "platform/child_process.h"

namespace velmo::test {

class XvfbDisplay {
public:
    // Null, with the reason, when Xvfb is missing or does not come up within five seconds.
    static std::unique_ptr<XvfbDisplay> start(std::string* error);
    ~XvfbDisplay();

    const std::string& name() const { return name_; }

private:
    XvfbDisplay() = default;
    std::unique_ptr<ChildProcess> server_;
    std::string name_;
};

}  // namespace velmo::test
