// The runtime bank reply as the controller reads it, from exact-size inputs: every record lands
// in exactly one place, kept parameters are finite, and the bank state built from it is one
// JSON document.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "banks/bank_control.h"
#include "banks/bank_reply.h"
#include "docs/json_tree.h"
#include "fuzz_check.h"

namespace {

class PageOnly : public velmo::BankControlHost {
public:
    std::string last;
    void sendBankJson(const std::string& json) override { last = json; }
    void editParam(std::uint32_t, double) override {}
    double readParam(std::uint32_t) const override { return 0; }
    void requestRuntimeBank(const std::string&, const std::string&, const std::string&,
                            const std::string&) override {}
    bool applyPadOverrides(const velmo::SamplerPadOverrides&) override { return true; }
    bool pickFolder(std::string&, std::string&) override { return false; }
    void notePresetSelected(const std::string&, const std::string&) override {}
};

bool hasByte(const std::string& text, char c) { return text.find(c) != std::string::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const velmo::RuntimeBankReply reply = velmo::parseRuntimeBankReply(text);
    FUZZ_CHECK(!reply.outcome.empty() && !hasByte(reply.outcome, '\n'));
    FUZZ_CHECK(reply.singleRecord == !hasByte(text, '\n'));
    if (reply.outcome != "ok") FUZZ_CHECK(reply.presets.empty() && reply.positionings.empty());
    for (const std::string& p : reply.positionings)
        FUZZ_CHECK(!p.empty() && p[0] != '\x01' && !hasByte(p, '\n'));
    for (const velmo::BankControlPreset& p : reply.presets) {
        FUZZ_CHECK(!hasByte(p.id, '\t') && !hasByte(p.name, '\t') && !hasByte(p.instrument, '\t'));
        for (const auto& [name, value] : p.params) {
            FUZZ_CHECK(!name.empty() && !hasByte(name, '=') && !hasByte(name, '\x1F'));
            FUZZ_CHECK(std::isfinite(value));
        }
    }

    PageOnly page;
    velmo::BankControl control(page);
    control.handleRuntimeBank("user-folder", "/bank", "", "", "");
    control.adoptRuntimeBankReply(text);
    FUZZ_CHECK(page.last.rfind("{\"type\":\"velmo.bankState\",\"reason\":\"loadBank\"", 0) == 0);
    velmo::JsonValue document;
    FUZZ_CHECK(velmo::parseJsonDocument(page.last.data(), page.last.size(), document));
    return 0;
}
