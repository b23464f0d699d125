// handleBridgeMessage on a live controller: each input is a sequence of page messages, one per
// line, each delivered from an exact-size buffer. Lines starting with '!' are host-side steps
// ("!tick", "!open", "!close", "!echo"). Whatever arrives, no parameter leaves 0..1 and every
// page document is a typed JSON object.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "controller/velmo_controller.h"
#include "fuzz_check.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

// The processor's place: takes every message and keeps none.
class NullPeer : public FObject, public IConnectionPoint {
public:
    tresult PLUGIN_API connect(IConnectionPoint*) override { return kResultOk; }
    tresult PLUGIN_API disconnect(IConnectionPoint*) override { return kResultOk; }
    tresult PLUGIN_API notify(IMessage*) override { return kResultOk; }
    OBJ_METHODS(NullPeer, FObject)
    DEFINE_INTERFACES
        DEF_INTERFACE(IConnectionPoint)
    END_DEFINE_INTERFACES(FObject)
    REFCOUNT_METHODS(FObject)
};

class NullHandler : public FObject, public IComponentHandler {
public:
    tresult PLUGIN_API beginEdit(ParamID) override { return kResultOk; }
    tresult PLUGIN_API performEdit(ParamID, ParamValue v) override {
        FUZZ_CHECK(v >= 0.0 && v <= 1.0);
        return kResultOk;
    }
    tresult PLUGIN_API endEdit(ParamID) override { return kResultOk; }
    tresult PLUGIN_API restartComponent(int32) override { return kResultOk; }
    OBJ_METHODS(NullHandler, FObject)
    DEFINE_INTERFACES
        DEF_INTERFACE(IComponentHandler)
    END_DEFINE_INTERFACES(FObject)
    REFCOUNT_METHODS(FObject)
};

void checkParameters(velmo::VelmoController& controller) {
    for (ParamID id = 0; id < velmo::VELMO_PARAM_COUNT; ++id) {
        const double v = controller.getParamNormalized(id);
        FUZZ_CHECK(v >= 0.0 && v <= 1.0);
    }
    const double program = controller.getParamNormalized(velmo::PROGRAM_CHANGE_PARAM_ID);
    FUZZ_CHECK(program >= 0.0 && program <= 1.0);
    FUZZ_CHECK(!(controller.feedRateHz() > 30.0));
}

void checkDocument(const std::string& doc) {
    FUZZ_CHECK(doc.rfind("{\"type\":\"velmo.", 0) == 0);
    FUZZ_CHECK(doc.back() == '}');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The SDK's host application counts no references: it lives as long as this call.
    HostApplication host;
    auto peer = owned(new NullPeer());
    auto handler = owned(new NullHandler());
    auto controller = owned(new velmo::VelmoController());
    controller->initialize(static_cast<IHostApplication*>(&host));
    controller->setComponentHandler(handler);
    controller->connect(peer);
    const auto sink = [](const std::string& doc) { checkDocument(doc); };
    controller->setBridgeSink(sink);

    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    while (start <= input.size()) {
        std::size_t end = input.find('\n', start);
        if (end == std::string_view::npos) end = input.size();
        const std::string_view line = input.substr(start, end - start);
        if (line == "!tick") {
            controller->tickCadence();
        } else if (line == "!open") {
            controller->setBridgeSink(sink);
            controller->onEditorOpened();
        } else if (line == "!close") {
            controller->onEditorClosed();
            controller->setBridgeSink(nullptr);
        } else if (line == "!echo") {
            controller->setParamNormalized(6, controller->getParamNormalized(6));
        } else {
            // Exactly the line's bytes, so a read past it is caught.
            std::unique_ptr<char[]> exact(new char[line.size() + 1]);
            std::memcpy(exact.get(), line.data(), line.size());
            controller->handleBridgeMessage(line.empty() ? nullptr : exact.get(), line.size());
        }
        checkParameters(*controller);
        start = end + 1;
    }

    controller->setBridgeSink(nullptr);
    controller->disconnect(peer);
    controller->terminate();
    return 0;
}
