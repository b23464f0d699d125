// VelmoProcessor's component state: the state document written and read through the host's
// stream. Runs on the main thread while the host is not processing.
#include "processor/velmo_processor.h"

#include <string>

#include "docs/state_json.h"
#include "docs/stream_text.h"
#include "pluginterfaces/base/ibstream.h"

namespace velmo {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// Outcome 1 ("bank-missing"): this build holds no compiled bank to recall.
constexpr uint32_t kBankOutcomeMissing = 1;

}  // namespace

tresult PLUGIN_API VelmoProcessor::getState(IBStream* state) {
    if (state == nullptr) {
        return kResultFalse;
    }
    if (engine.hasUndrainedRealtimeDiagnostics()) {
        sendRuntimeDiagnostics(false);
    }
    double params[VELMO_PARAM_COUNT];
    for (uint32_t id = 0; id < VELMO_PARAM_COUNT; ++id) {
        params[id] = engine.paramValue(id);
    }
    const std::string text = writeStateJson(params, engine.variation(), hasCcMap ? &ccMap : nullptr,
                                            0, 0, nullptr,
                                            &engine.samplerPadOverrides(), nullptr);
    int32 written = 0;
    const tresult result = state->write(const_cast<char*>(text.data()),
                                        static_cast<int32>(text.size()), &written);
    // A short write would lose the end of the document while reporting success.
    if (result == kResultOk && written != static_cast<int32>(text.size())) {
        return kResultFalse;
    }
    return result;
}

tresult PLUGIN_API VelmoProcessor::setState(IBStream* state) {
    if (state == nullptr) {
        return kResultFalse;
    }
    std::string text;
    StateChunk chunk;
    if (!readStreamText(*state, text) || !parseStateJson(text.data(), text.size(), chunk)) {
        return kResultFalse;
    }
    audition.releaseAll();  // a restored sound starts with no key of the page held
    for (uint32_t id = 0; id < VELMO_PARAM_COUNT; ++id) {
        if (chunk.paramPresent[id]) {
            engine.setParamValue(id, chunk.params[id]);
        }
    }
    if (chunk.variation >= 0) {
        engine.setVariation(chunk.variation);
    }
    if (chunk.hasCcMap) {
        ccMap = chunk.ccMap;
        hasCcMap = true;
    }
    engine.publishSamplerPadOverrides(chunk.padOverrides);
    if (loadRestoredBank(chunk.bank)) {
        return kResultOk;
    }
    if (chunk.bank.present && chunk.bank.id[0] != '\0') {
        engine.recordBankRecallFailure(kBankOutcomeMissing, chunk.bank.id);
    }
    return kResultOk;
}

}  // namespace velmo
