#pragma once
// The host's IPlugFrame for one view: it offers the host's run loop (timers and descriptor
// handlers, Linux hosts' IRunLoop) and answers resize requests by resizing the view.
#include <memory>

#include "base/source/fobject.h"
#include "platform/run_loop.h"
#include "pluginterfaces/gui/iplugview.h"

namespace velmo::host {

class TestPlugFrame : public Steinberg::FObject, public Steinberg::IPlugFrame {
public:
    explicit TestPlugFrame(std::shared_ptr<RunLoop> loop);
    // Offers the host's own IRunLoop object as it is (referenced while the frame lives).
    explicit TestPlugFrame(Steinberg::Linux::IRunLoop* loop);

    Steinberg::tresult PLUGIN_API resizeView(Steinberg::IPlugView* view, Steinberg::ViewRect* newSize) override;
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;

    OBJ_METHODS(TestPlugFrame, Steinberg::FObject)
    REFCOUNT_METHODS(Steinberg::FObject)

private:
    Steinberg::IPtr<Steinberg::Linux::IRunLoop> runLoop_;
};

}  // namespace velmo::host
