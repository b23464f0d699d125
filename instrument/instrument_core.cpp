#include "instrument/instrument_core.h"

#include <string_view>

#include "banks/bank_loader.h"
#include "banks/hosted_bank.h"
#include "banks/staged_bank.h"
#include "docs/bank_outcome.h"
#include "docs/state_json.h"

namespace velmo {

namespace {

// Outcome 1 ("bank-missing"): this build holds no compiled bank to recall.
constexpr uint32_t kBankOutcomeMissing = 1;

constexpr const char* kEngineRefusal = "the engine refused the staged bank (arena capacity)";

}  // namespace

InstrumentCore::InstrumentCore(KernelModule& kernel) : engine_(kernel) {}

void InstrumentCore::queueNote(bool on, int32_t pitch, double velocity, int32_t frame,
                               uint32_t route, uint32_t channel) {
    if (on && velocity > 0.0) {
        engine_.pushNoteOn(pitch, velocity, frame, route, channel);
    } else {
        engine_.pushNoteOff(pitch, frame, route, channel);
    }
}

bool InstrumentCore::queueController(int32_t channel, int32_t cc, double value, int32_t frame) {
    uint32_t id = 0;
    if (!cc_.assignment(0, channel, cc, id)) return false;
    return engine_.pushParamNormalized(id, value, frame);
}

std::string InstrumentCore::saveState(const double* params, const CcMapping* cc) const {
    double current[VELMO_PARAM_COUNT];
    if (params == nullptr) {
        for (uint32_t id = 0; id < VELMO_PARAM_COUNT; ++id) {
            current[id] = engine_.paramValue(id);
        }
        params = current;
    }
    if (cc == nullptr) cc = &cc_;
    return writeStateJson(params, engine_.variation(), cc->present ? &cc->map : nullptr, 0, 0,
                          nullptr, &engine_.samplerPadOverrides(), nullptr);
}

InstrumentCore::Restored InstrumentCore::restoreState(const char* text, std::size_t size) {
    Restored restored;
    StateChunk chunk;
    if (!parseStateJson(text, size, chunk)) return restored;
    restored.parsed = true;
    for (uint32_t id = 0; id < VELMO_PARAM_COUNT; ++id) {
        if (chunk.paramPresent[id]) {
            engine_.setParamValue(id, chunk.params[id]);
        }
    }
    if (chunk.variation >= 0) {
        engine_.setVariation(chunk.variation);
    }
    if (chunk.hasCcMap) {
        adoptCcMap(chunk.ccMap);
    }
    engine_.publishSamplerPadOverrides(chunk.padOverrides);
    if (!loadRestoredBank(chunk.bank, restored.bankTried) && chunk.bank.present &&
        chunk.bank.id[0] != '\0') {
        engine_.recordBankRecallFailure(kBankOutcomeMissing, chunk.bank.id);
    }
    return restored;
}

void InstrumentCore::adoptCcMap(const CcMap& map) {
    cc_.map = map;
    cc_.present = true;
}

std::string InstrumentCore::answerBankRequest(std::string_view text, bool& tried) {
    std::string lines[4];
    for (std::string& line : lines) {
        const std::size_t end = text.find('\n');
        line = std::string(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    const std::string source = lines[0].empty() ? "user-folder" : lines[0];
    std::string detail;
    tried = !lines[1].empty();
    const int outcome = tried ? loadRuntimeBankFromPath(lines[1], source, lines[3], detail) : kBankMissing;
    return std::string(runtimeBankOutcomeName(outcome)) + '\n' + detail;
}

int InstrumentCore::loadRuntimeBankFromPath(const std::string& path, const std::string& source,
                                            const std::string& instrument, std::string& detail) {
    RuntimeBankLoad load = loadRuntimeBank(path, 0, instrument);
    int outcome = load.outcome;
    detail = std::move(load.message);
    if (outcome == kBankOk) {
        outcome = kBankTooLarge;
        detail = kEngineRefusal;
    }
    engine_.recordRuntimeBankFailure(static_cast<uint32_t>(outcome), detail.c_str(), source.c_str());
    return outcome;
}

bool InstrumentCore::loadRestoredBank(const BankStateRef& ref, bool& tried) {
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
    tried = !path.empty();
    const int outcome = path.empty() ? kBankMissing
                                     : loadRuntimeBankFromPath(path, source, ref.instrument, detail);
    if (outcome != kBankOk) {
        bankSource_.clear();
        bankLocator_.clear();
        bankHash_.clear();
        bankInstrument_.clear();
        return false;
    }
    bankSource_ = source;
    bankLocator_ = ref.locator;
    bankHash_ = ref.sha256;
    bankInstrument_ = ref.instrument;
    return true;
}

}  // namespace velmo
