// The .vstpreset reader on arbitrary bytes: never reads outside the input, and what it accepts
// writes back to a file that reads to the same chunks.
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/fuzz_check.h"
#include "tools/host/preset_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using velmo::host::PresetFile;
    PresetFile first;
    std::string error;
    if (!velmo::host::readPresetFile(reinterpret_cast<const char*>(data), size, first, error)) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    FUZZ_CHECK(first.classId.size() == 32);
    FUZZ_CHECK(first.componentState.size() <= size);
    const std::string written = velmo::host::writePresetFile(first);
    PresetFile second;
    FUZZ_CHECK(velmo::host::readPresetFile(written.data(), written.size(), second, error));
    FUZZ_CHECK(second.classId == first.classId);
    FUZZ_CHECK(second.componentState == first.componentState);
    FUZZ_CHECK(second.controllerState == first.controllerState);
    return 0;
}
