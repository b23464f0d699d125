#pragma once
// A private X server for a test or benchmark program: Xvfb on a free display number, made the
// process's $DISPLAY. Whoever needs it fails loudly when it cannot start.
#include <memory>
#include <string>

#include "platform/child_process.h"

namespace velmo::host {

class XvfbServer {
public:
    // Null, with the reason, when Xvfb is missing or does not come up within five seconds.
    static std::unique_ptr<XvfbServer> start(std::string* error);
    ~XvfbServer();

private:
    XvfbServer() = default;
    std::unique_ptr<ChildProcess> server_;
};

}  // namespace velmo::host
