#pragma once
// What the editor view sees of the controller: the page channel (BridgeHost), the cadence tick
// the view drives from the host's run loop, and that loop lent to the controller's clock while
// the view is attached. The view holds the controller alive through its reference count.
#include "controller/bridge_host.h"
#include "pluginterfaces/base/funknown.h"

namespace velmo {

class EditorHost : public BridgeHost {
public:
    // The controller as a reference-counted object, for the view to hold.
    virtual Steinberg::FUnknown* editorHostObject() = 0;
    // One tick of the controller's cadence (polls, hand-overs, feeds to the page).
    virtual void tickCadence() = 0;
    // Lends the run loop `hostObject` offers (the plug frame's) to the controller's clock;
    // true when it took it. returnCadenceClock gives it back before the frame goes.
    virtual bool startCadenceClockOn(Steinberg::FUnknown* hostObject) = 0;
    virtual void returnCadenceClock() = 0;

protected:
    ~EditorHost() = default;
};

}  // namespace velmo
