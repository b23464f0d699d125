#pragma once
// The page's side of the LV2 UI, in the controller's role: page messages become port writes
// (touch gestures around them where the host offers ui:touch) and the host's port events
// become "velmo.paramChanged" documents. Where the host maps URIDs, the UI also speaks with the
// plug-in through atoms (keys, meter and transport polls, the CC map, bank requests), so the
// page offers its keys, meter, CC map, state, diagnostics and bank panels too; the hello names
// what is offered and the page hides the rest.
#include <cstdint>
#include <functional>
#include <string>

#include "banks/bank_control.h"
#include "banks/single_bank_fetch.h"
#include "ccmap/cc_mapping.h"
#include "controller/audition_relay.h"
#include "controller/bridge_host.h"
#include "controller/diagnostic_feeds.h"
#include "controller/page_channel.h"
#include "diagnostics/host_facts.h"
#include "params/param_table.h"

namespace velmo::lv2 {

// The URIDs of the plug-in's messages, as the host mapped them for the UI.
struct Lv2MessageTypes {
    std::uint32_t audition = 0;
    std::uint32_t poll = 0;
    std::uint32_t ccMap = 0;
    std::uint32_t levels = 0;
    std::uint32_t transport = 0;
    std::uint32_t bankRequest = 0;
    std::uint32_t bankReply = 0;
    std::uint32_t padOverrides = 0;
    std::uint32_t hostFacts = 0;
};

class Lv2PageBridge final : public BridgeHost, private BankControlHost {
public:
    using WritePort = std::function<void(std::uint32_t port, float plain)>;
    // Empty when the host offers no ui:touch.
    using TouchPort = std::function<void(std::uint32_t port, bool grabbed)>;
    // An atom to the plug-in's control input; empty when the host maps no URIDs.
    using SendAtom = std::function<void(std::uint32_t type, const void* body, std::uint32_t size)>;

    Lv2PageBridge(WritePort write, TouchPort touch, SendAtom send = {}, Lv2MessageTypes types = {});
    ~Lv2PageBridge() override;

    // The host's value of a control port (a plain value, as the ports carry it).
    void portEvent(std::uint32_t port, float plain);
    // An atom the plug-in wrote to its notify port.
    void pluginMessage(std::uint32_t type, const void* body, std::uint32_t size);
    // The host's idle call: polls the plug-in for what the page follows, at most at its rate.
    void tick(double nowMs);
    // The UI is being cleaned up: from now on nothing calls the host.
    void forgetHost();
    // The helper or the page is gone: the UI has nothing left to show.
    bool lost() const { return lost_; }

    void handleBridgeMessage(const char* data, std::size_t size) override;
    void setBridgeSink(BridgeSink sink) override { page_.install(std::move(sink)); }
    void onEditorOpened() override { lost_ = false; }
    void onEditorClosed() override;
    void onEditorError(const char*) override { lost_ = true; }
    void onEditorShown(bool) override {}

private:
    bool talks() const { return static_cast<bool>(send_); }
    void sendHello();
    void setFromPage(std::uint32_t id, double normalized);
    // Writes the port and keeps the value as its echo will come back.
    void write(std::uint32_t id, double normalized);
    void touch(std::uint32_t id, bool grabbed);
    // Every port as one gesture each, the page told: hosts need not echo what a UI wrote.
    void writeAll(const double* normalized, const bool* present);
    void sendState();
    void adoptCcMap(const CcMap& map, bool tellPlugin);
    void poll(std::uint32_t flags);

    // The bank panel's host (lv2_page_banks.cpp).
    void sendBankJson(const std::string& json) override { page_.send(json); }
    void editParam(std::uint32_t id, double plain) override;
    double readParam(std::uint32_t id) const override;
    void requestRuntimeBank(const std::string& source, const std::string& folder, const std::string& sha256,
                            const std::string& instrument) override;
    bool applyPadOverrides(const SamplerPadOverrides& overrides) override;
    bool pickFolder(std::string& path, std::string& error) override;
    void notePresetSelected(const std::string& id, const std::string& name) override;

    WritePort write_;
    TouchPort touch_;
    SendAtom send_;
    Lv2MessageTypes types_;
    PageChannel page_;
    DiagnosticFeeds feeds_{page_};
    AuditionRelay audition_;
    CcMapping cc_;
    double normalized_[VELMO_PARAM_COUNT];
    bool grabbed_[VELMO_PARAM_COUNT] = {};
    bool lost_ = false;
    double lastPollMs_ = -1e9;
    HostFacts hostFacts_;  // as the plug-in last reported them
    std::uint32_t hostChanges_ = 0;
    BankControl banks_{*this};
    SingleBankFetch fetch_;
};

}  // namespace velmo::lv2
