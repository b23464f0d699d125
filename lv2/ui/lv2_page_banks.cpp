// The LV2 UI as the bank panel's host: bank requests and pad overrides go to the plug-in as
// atoms (its worker loads and parses), hosted banks are fetched here, as the VST3 controller
// fetches them, and parameter edits are port writes in a gesture.
#include "banks/hosted_bank.h"
#include "docs/pad_overrides.h"
#include "lv2/ui/lv2_page_bridge.h"

namespace velmo::lv2 {

void Lv2PageBridge::editParam(std::uint32_t id, double plain) {
    if (id >= VELMO_PARAM_COUNT) return;
    touch(id, true);
    write(id, velmo_param_normalize(VELMO_PARAMS[id], plain));
    touch(id, false);
    page_.sendParamChanged(id, normalized_[id]);
}

double Lv2PageBridge::readParam(std::uint32_t id) const {
    return id < VELMO_PARAM_COUNT ? velmo_param_to_plain(VELMO_PARAMS[id], normalized_[id]) : 0.0;
}

void Lv2PageBridge::requestRuntimeBank(const std::string& source, const std::string& folder,
                                       const std::string& sha256, const std::string& instrument) {
    const std::string text = source + '\n' + folder + '\n' + sha256 + '\n' + instrument;
    if (send_) {
        send_(types_.bankRequest, text.data(), static_cast<std::uint32_t>(text.size()));
        return;
    }
    // Nobody to ask: the request must still be answered, or the page waits for ever.
    banks_.adoptRuntimeBankReply("bank-missing\n" + folder);
}

bool Lv2PageBridge::applyPadOverrides(const SamplerPadOverrides& overrides) {
    if (!send_) return false;
    std::string doc;
    writeSamplerPadOverridesJson(doc, overrides);
    send_(types_.padOverrides, doc.data(), static_cast<std::uint32_t>(doc.size()));
    return true;
}

bool Lv2PageBridge::pickFolder(std::string& path, std::string& error) { return pickBankFolder(path, error); }

void Lv2PageBridge::notePresetSelected(const std::string& id, const std::string& name) {
    feeds_.record(DiagnosticLifecycleKind::PresetLoaded, -1)
        .addString("id", id.c_str())
        .addString("name", name.c_str())
        .addString("origin", "bank");
    feeds_.publishLast();
}

}  // namespace velmo::lv2
