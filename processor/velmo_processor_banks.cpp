// VelmoProcessor's runtime banks: a bank folder is loaded and checked in full on the main
// thread, then offered to the engine, which holds no sample arena and refuses it.
#include "processor/velmo_processor.h"

#include <string_view>

#include "banks/bank_loader.h"
#include "banks/hosted_bank.h"
#include "banks/staged_bank.h"

namespace velmo {

namespace {

constexpr const char* kEngineRefusal = "the engine refused the staged bank (arena capacity)";

}  // namespace

int VelmoProcessor::loadRuntimeBankFromPath(const std::string& path, const std::string& source,
                                            const std::string& instrument, std::string& detail) {
    RuntimeBankLoad load = loadRuntimeBank(path, 0, instrument);
    int outcome = load.outcome;
    detail = std::move(load.message);
    if (outcome == kBankOk) {
        outcome = kBankTooLarge;
        detail = kEngineRefusal;
    }
    engine.recordRuntimeBankFailure(static_cast<uint32_t>(outcome), detail.c_str(), source.c_str());
    sendRuntimeDiagnostics(false);
    return outcome;
}

bool VelmoProcessor::loadRestoredBank(const BankStateRef& ref) {
    if (!ref.present || ref.locator[0] == '\0' || std::string_view(ref.source) == "embedded") {
        return false;
    }
    const std::string source = ref.source;
    std::string path = ref.locator;
    if (source == "hosted" && ref.sha256[0] != '\0') {
        // Only a real pin names a folder, and only inside the cache: a saved document must not
        // reach anywhere else.
        path = hostedBankFolder(ref.sha256);
    }
    std::string detail;
    const int outcome = path.empty() ? kBankMissing
                                     : loadRuntimeBankFromPath(path, source, ref.instrument, detail);
    if (outcome != kBankOk) {
        bankSource.clear();
        bankLocator.clear();
        bankHash.clear();
        bankInstrument.clear();
        return false;
    }
    bankSource = source;
    bankLocator = ref.locator;
    bankHash = ref.sha256;
    bankInstrument = ref.instrument;
    return true;
}

}  // namespace velmo
