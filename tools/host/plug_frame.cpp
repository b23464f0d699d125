#include "tools/host/plug_frame.h"

#include "platform/run_loop_offer.h"

namespace velmo::host {

using namespace Steinberg;

TestPlugFrame::TestPlugFrame(std::shared_ptr<RunLoop> loop) : runLoop_(owned(offerRunLoop(std::move(loop)))) {}

TestPlugFrame::TestPlugFrame(Linux::IRunLoop* loop) : runLoop_(loop) {}

tresult PLUGIN_API TestPlugFrame::resizeView(IPlugView* view, ViewRect* newSize) {
    if (view == nullptr || newSize == nullptr) return kInvalidArgument;
    return view->onSize(newSize);
}

tresult PLUGIN_API TestPlugFrame::queryInterface(const TUID iid, void** obj) {
    if (FUnknownPrivate::iidEqual(iid, IPlugFrame::iid)) {
        addRef();
        *obj = static_cast<IPlugFrame*>(this);
        return kResultOk;
    }
    if (runLoop_ != nullptr && FUnknownPrivate::iidEqual(iid, Linux::IRunLoop::iid)) {
        runLoop_->addRef();
        *obj = runLoop_.get();
        return kResultOk;
    }
    return FObject::queryInterface(iid, obj);
}

}  // namespace velmo::host
