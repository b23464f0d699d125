// VelmoProcessor's runtime banks: the core loads and checks a bank folder on the main thread
// (the engine holds no sample arena and refuses it); the processor reports the outcome.
#include "processor/velmo_processor.h"

namespace velmo {

int VelmoProcessor::loadRuntimeBankFromPath(const std::string& path, const std::string& source,
                                            const std::string& instrument, std::string& detail) {
    const int outcome = core.loadRuntimeBankFromPath(path, source, instrument, detail);
    sendRuntimeDiagnostics(false);
    return outcome;
}

}  // namespace velmo
