#include "tests/bridge/bundle_rig.h"

#include <gtest/gtest.h>

#include <cstring>

#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/vst/ivstmessage.h"

namespace velmo::test {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

class EditRecorder : public FObject, public IComponentHandler {
public:
    explicit EditRecorder(std::vector<EditRecord>& log) : log_(log) {}
    tresult PLUGIN_API beginEdit(ParamID id) override {
        log_.push_back({EditRecord::Begin, id, 0.0});
        return kResultOk;
    }
    tresult PLUGIN_API performEdit(ParamID id, ParamValue v) override {
        log_.push_back({EditRecord::Perform, id, v});
        return kResultOk;
    }
    tresult PLUGIN_API endEdit(ParamID id) override {
        log_.push_back({EditRecord::End, id, 0.0});
        return kResultOk;
    }
    tresult PLUGIN_API restartComponent(int32 flags) override {
        log_.push_back({EditRecord::Restart, 0, static_cast<double>(flags)});
        return kResultOk;
    }
    OBJ_METHODS(EditRecorder, FObject)
    DEFINE_INTERFACES
        DEF_INTERFACE(IComponentHandler)
    END_DEFINE_INTERFACES(FObject)
    REFCOUNT_METHODS(FObject)

private:
    std::vector<EditRecord>& log_;
};

void collectDocument(void* page, const char* text, std::size_t length) {
    static_cast<std::vector<std::string>*>(page)->emplace_back(text, length);
}

}  // namespace

struct BundleRig::Parts {
    // The SDK's host application counts no references: it is owned here, outliving the controller.
    std::unique_ptr<host::NamedHostApplication> host;
    IPtr<EditRecorder> handler;
};

BundleRig::BundleRig(host::PluginModule& module)
    : api(bridgeApiOf(module)), loop(std::make_shared<ManualRunLoop>()), parts_(new Parts) {
    EXPECT_TRUE(api.complete()) << "the module exports the diagnostic bridge";
    parts_->host = std::make_unique<host::NamedHostApplication>("velmo-bridge-tests", loop);
    parts_->handler = owned(new EditRecorder(edits));
    processor = owned(new host::MessageRecorder());

    for (const host::PluginClass& c : module.classes()) {
        if (c.category != kVstComponentControllerClass) continue;
        IEditController* created = nullptr;
        if (module.factory()->createInstance(c.cid, IEditController::iid,
                                             reinterpret_cast<void**>(&created)) == kResultOk)
            controller = owned(created);
        break;
    }
    if (controller == nullptr) {
        ADD_FAILURE() << "no controller class";
        return;
    }
    EXPECT_EQ(controller->initialize(static_cast<IHostApplication*>(parts_->host.get())), kResultOk);
    controller->setComponentHandler(parts_->handler);
    connectProcessor();
}

void BundleRig::connectProcessor() {
    FUnknownPtr<IConnectionPoint> point(controller);
    point->connect(processor);
    processor->connect(point);
}

void BundleRig::disconnectProcessor() {
    FUnknownPtr<IConnectionPoint> point(controller);
    processor->disconnect(point);
    point->disconnect(processor);
}

BundleRig::~BundleRig() {
    if (controller == nullptr) return;
    closePage();
    disconnectProcessor();
    controller->setComponentHandler(nullptr);
    controller->terminate();
    controller = nullptr;  // before the host context it was given
}

bool BundleRig::openPage() { return api.installSink(controller, &collectDocument, &page) == 1; }
bool BundleRig::closePage() { return api.installSink(controller, nullptr, nullptr) == 1; }

std::int32_t BundleRig::deliver(const std::string& text) {
    std::unique_ptr<char[]> exact(new char[text.size() + (text.empty() ? 1 : 0)]);
    std::memcpy(exact.get(), text.data(), text.size());
    return api.deliver(controller, exact.get(), text.size());
}

std::int32_t BundleRig::tick() { return api.tick(controller); }

void BundleRig::sendProcessorMessage(const char* id, const std::string& payload) {
    processor->send(host::makeMessage(id, payload));
}

void BundleRig::sendHostFacts(const HostFacts& facts) {
    sendProcessorMessage("velmo.diag.hostFacts",
                         std::string(reinterpret_cast<const char*>(&facts), sizeof facts));
}

void BundleRig::sendTransport(const TransportFact& fact) {
    sendProcessorMessage("velmo.diag.transport",
                         std::string(reinterpret_cast<const char*>(&fact), sizeof fact));
}

std::vector<std::string> BundleRig::pageOfType(const std::string& type) const {
    std::vector<std::string> out;
    const std::string prefix = "{\"type\":\"" + type + "\"";
    for (const std::string& d : page)
        if (d.rfind(prefix, 0) == 0) out.push_back(d);
    return out;
}

std::size_t BundleRig::processorCount(const std::string& id) const {
    return processor->withId(id).size();
}

void BundleRig::clear() {
    page.clear();
    edits.clear();
    processor->clear();
}

}  // namespace velmo::test
