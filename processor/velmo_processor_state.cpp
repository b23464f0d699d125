// VelmoProcessor's component state: the core's state document written and read through the
// host's stream. Runs on the main thread while the host is not processing.
#include "processor/velmo_processor.h"

#include <string>

#include "docs/stream_text.h"
#include "pluginterfaces/base/ibstream.h"

namespace velmo {

using namespace Steinberg;
using namespace Steinberg::Vst;

tresult PLUGIN_API VelmoProcessor::getState(IBStream* state) {
    if (state == nullptr) {
        return kResultFalse;
    }
    if (engine.hasUndrainedRealtimeDiagnostics()) {
        sendRuntimeDiagnostics(false);
    }
    const std::string text = core.saveState();
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
    if (!readStreamText(*state, text)) {
        return kResultFalse;
    }
    const InstrumentCore::Restored restored = core.restoreState(text.data(), text.size());
    if (!restored.parsed) {
        return kResultFalse;
    }
    audition.releaseAll();  // a restored sound starts with no key of the page held
    if (restored.bankTried) {
        sendRuntimeDiagnostics(false);
    }
    return kResultOk;
}

}  // namespace velmo
