#pragma once
// The controller's side of the bank control: page documents, parameter gestures, requests to
// the processor and the preset facts, all on the controller's UI thread.
#include "banks/bank_control.h"

namespace velmo {

class VelmoController;

class BankBridge : public BankControlHost {
public:
    explicit BankBridge(VelmoController& controller) : controller_(controller) {}

    void sendBankJson(const std::string& json) override;
    void editParam(std::uint32_t id, double plain) override;
    double readParam(std::uint32_t id) const override;
    void requestRuntimeBank(const std::string& source, const std::string& folder,
                            const std::string& sha256, const std::string& instrument) override;
    bool applyPadOverrides(const SamplerPadOverrides& overrides) override;
    bool pickFolder(std::string& path, std::string& error) override;
    void notePresetSelected(const std::string& id, const std::string& name) override;

private:
    VelmoController& controller_;
};

}  // namespace velmo
