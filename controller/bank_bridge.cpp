#include "controller/bank_bridge.h"

#include "banks/hosted_bank.h"
#include "controller/velmo_controller.h"
#include "diagnostics/message_ids.h"
#include "docs/pad_overrides.h"
#include "pluginterfaces/vst/ivstmessage.h"

namespace velmo {

using namespace Steinberg;
using namespace Steinberg::Vst;

void BankBridge::sendBankJson(const std::string& json) { controller_.sendToUi(json); }

void BankBridge::editParam(std::uint32_t id, double plain) {
    if (id >= VELMO_PARAM_COUNT) return;
    controller_.editGesture(id, velmo_param_normalize(VELMO_PARAMS[id], plain));
}

double BankBridge::readParam(std::uint32_t id) const {
    return id < VELMO_PARAM_COUNT ? controller_.unquantisedPlainValue(id) : 0.0;
}

void BankBridge::requestRuntimeBank(const std::string& source, const std::string& folder,
                                    const std::string& sha256, const std::string& instrument) {
    const std::string text = source + '\n' + folder + '\n' + sha256 + '\n' + instrument;
    if (controller_.sendToProcessor(kMessageLoadRuntimeBank, text)) return;
    // Nobody to ask: the request must still be answered, or the page waits for ever.
    controller_.bankControl().adoptRuntimeBankReply("missing\n" + folder);
}

bool BankBridge::applyPadOverrides(const SamplerPadOverrides& overrides) {
    std::string doc;
    writeSamplerPadOverridesJson(doc, overrides);
    return controller_.sendToProcessor(kMessagePadOverrides, doc);
}

bool BankBridge::pickFolder(std::string& path, std::string& error) {
    return pickBankFolder(path, error);
}

void BankBridge::notePresetSelected(const std::string& id, const std::string& name) {
    controller_.presets_.noteNames(id.c_str(), name.c_str());
    controller_.recordLifecycle(DiagnosticLifecycleKind::PresetLoaded, -1)
        .addString("id", id.c_str())
        .addString("name", name.c_str())
        .addString("origin", "bank");
    controller_.publishLastLifecycle();
    controller_.sendPresetLoadedToProcessor(id);
}

}  // namespace velmo
