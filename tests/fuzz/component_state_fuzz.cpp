// The component and controller state as a host hands it back from a saved project: any bytes
// through the VST3 stream into the processor's setState and the controller's
// setComponentState and setState. Whatever they accept, the parameters stay in 0..1, a block
// still renders finite samples, and the processor's state saved after a restore restores into
// a fresh processor and saves the same bytes again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "plugin_pair.h"

using Steinberg::kResultOk;
using velmo::fuzz::savedState;
using velmo::fuzz::streamOf;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 1 << 20) return 0;
    velmo::fuzz::PluginPair pair;
    const bool accepted = pair.processor->setState(streamOf(data, size)) == kResultOk;
    pair.controller->setComponentState(streamOf(data, size));
    pair.controller->setState(streamOf(data, size));
    pair.checkParameters();
    if (!accepted) return 0;

    pair.processOneBlock();
    const std::string saved = savedState(*pair.processor);
    velmo::fuzz::PluginPair fresh;
    FUZZ_CHECK(fresh.processor->setState(streamOf(saved.data(), saved.size())) == kResultOk);
    FUZZ_CHECK(fresh.controller->setComponentState(streamOf(saved.data(), saved.size())) == kResultOk);
    FUZZ_CHECK(savedState(*fresh.processor) == saved);
    return 0;
}
