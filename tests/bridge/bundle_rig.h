#pragma once
// A controller created from the built Zuriz.vst3, driven as an outside harness drives it:
// through the module's exported diagnostic entry points and the VST3 interfaces only. The host
// context offers a manual run loop as the host's IRunLoop; a recording peer stands in for the
// processor; the page is the list of documents the installed sink received.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "diagnostics/host_facts.h"
#include "diagnostics/transport_fact.h"
#include "platform/run_loop_manual.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "tools/host/bridge_api.h"
#include "tools/host/host.h"
#include "built_bundle.h"
#include "tools/host/module_loader.h"

namespace velmo::test {

using host::BridgeApi;
using host::bridgeApiOf;

struct EditRecord {
    enum Kind { Begin, Perform, End, Restart } kind;
    Steinberg::Vst::ParamID id;
    double value;
};

class BundleRig {
public:
    explicit BundleRig(host::PluginModule& module = builtBundle());
    ~BundleRig();

    BridgeApi api;
    std::shared_ptr<ManualRunLoop> loop;
    Steinberg::IPtr<Steinberg::Vst::IEditController> controller;
    Steinberg::IPtr<host::MessageRecorder> processor;
    std::vector<std::string> page;
    std::vector<EditRecord> edits;

    // Installs the page sink through the exported function.
    bool openPage();
    bool closePage();
    // Delivers `text` from an exact-size heap copy. Returns the entry point's answer.
    std::int32_t deliver(const std::string& text);
    std::int32_t tick();
    // Takes the processor side away and gives it back.
    void disconnectProcessor();
    void connectProcessor();

    // Messages the processor side sends to the controller.
    void sendHostFacts(const HostFacts& facts);
    void sendTransport(const TransportFact& fact);
    void sendProcessorMessage(const char* id, const std::string& payload);

    double normalized(Steinberg::Vst::ParamID id) const { return controller->getParamNormalized(id); }
    std::vector<std::string> pageOfType(const std::string& type) const;
    std::size_t processorCount(const std::string& id) const;
    void clear();

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

}  // namespace velmo::test
