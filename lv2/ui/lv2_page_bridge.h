#pragma once
// The page's side of the LV2 UI, in the controller's role: page messages become port writes
// (touch gestures around them where the host offers ui:touch) and the host's port events
// become "velmo.paramChanged" documents. LV2 carries the parameters and the factory presets
// here; the hello names those as its features and the page hides the rest.
#include <cstdint>
#include <functional>
#include <string>

#include "controller/bridge_host.h"
#include "controller/page_channel.h"
#include "params/param_table.h"

namespace velmo::lv2 {

class Lv2PageBridge final : public BridgeHost {
public:
    using WritePort = std::function<void(std::uint32_t port, float plain)>;
    // Empty when the host offers no ui:touch.
    using TouchPort = std::function<void(std::uint32_t port, bool grabbed)>;

    Lv2PageBridge(WritePort write, TouchPort touch);

    // The host's value of a control port (a plain value, as the ports carry it).
    void portEvent(std::uint32_t port, float plain);
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
    void sendHello();
    void setFromPage(std::uint32_t id, double normalized);
    // Writes the port and keeps the value as its echo will come back.
    void write(std::uint32_t id, double normalized);
    void touch(std::uint32_t id, bool grabbed);

    WritePort write_;
    TouchPort touch_;
    PageChannel page_;
    double normalized_[VELMO_PARAM_COUNT];
    bool grabbed_[VELMO_PARAM_COUNT] = {};
    bool lost_ = false;
};

}  // namespace velmo::lv2
