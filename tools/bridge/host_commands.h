#pragma once
// Input lines meant for the host rather than the page: a JSON object whose "type" begins with
// "bridge.". They stand in for what a host's user does (automate a parameter, play a note),
// so a script can drive the instrument the way a host would. See bridgeHelpText.
#include <string_view>

#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "tools/bridge/host_events.h"

namespace velmo::bridge {

class HostCommands {
public:
    HostCommands(Steinberg::Vst::IEditController* controller, HostEventQueue& queue)
        : controller_(controller), queue_(queue) {}

    // True when the line was a host command (carried out, or refused with a note on standard
    // error); false when it is for the page.
    bool handle(std::string_view line);

private:
    Steinberg::Vst::IEditController* controller_;
    HostEventQueue& queue_;
};

}  // namespace velmo::bridge
