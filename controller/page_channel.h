#pragma once
// The channel to the editor page: documents out while a page listens, and the values the page
// already holds, so a value is not sent twice and the page's own edit does not come back to it.
#include <cstdint>
#include <string>

#include "controller/bridge_host.h"
#include "params/param_table.h"

namespace velmo {

class PageChannel {
public:
    PageChannel() { forgetValues(); }

    // Installs the page's sink (empty: no page). A new page holds no value yet.
    void install(BridgeSink sink);
    bool open() const { return static_cast<bool>(sink_); }
    // Dropped while no page listens.
    void send(const std::string& document) const;

    // "velmo.paramChanged" for id (0-9) unless the page already holds that value: hosts replay
    // automation with the transport stopped, the same value many times a second.
    void sendParamChanged(std::uint32_t id, double normalized);
    // The page set id to normalized itself: that one echo is swallowed, and the host's next
    // value reaches the page even when it repeats an earlier one.
    void pageSet(std::uint32_t id, double normalized);
    // A value the host took: sent unless it is the page's own echo.
    void hostSet(std::uint32_t id, double normalized);
    // The page may hold anything (a hello is on its way).
    void forgetValues();

    // `"path":…,"value":…,"normalized":…` of one parameter, as the hello and "velmo.paramChanged"
    // carry it.
    static void appendValue(std::string& doc, const velmo_param_desc& row, double plain, double normalized);

private:
    BridgeSink sink_;
    std::int32_t echoGuardId_ = -1;
    double echoGuardValue_ = -1.0;
    double sent_[VELMO_PARAM_COUNT] = {};  // NaN: the page may not hold the value
};

}  // namespace velmo
