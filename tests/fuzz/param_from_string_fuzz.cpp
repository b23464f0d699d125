// VelmoParameter::fromString on exact-size UTF-16 texts for every row: a success gives a
// normalised value in [0, 1]; a failure leaves the value alone.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "fuzz_check.h"
#include "params/velmo_parameter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using velmo::VelmoParameter;
    const std::size_t units = size / sizeof(VelmoParameter::TChar);
    // Exact-size copy with no terminator, so any read past `units` is an overflow.
    std::unique_ptr<VelmoParameter::TChar[]> text(new VelmoParameter::TChar[units ? units : 1]);
    std::memcpy(text.get(), data, units * sizeof(VelmoParameter::TChar));
    for (std::uint32_t id = 0; id < velmo::VELMO_PARAM_COUNT; ++id) {
        auto* param = new VelmoParameter(velmo::VELMO_PARAMS[id]);
        VelmoParameter::ParamValue value = -7.0;
        if (param->fromString(text.get(), units, value)) {
            FUZZ_CHECK(value >= 0.0 && value <= 1.0);
        } else {
            FUZZ_CHECK(value == -7.0);
        }
        param->release();
    }
    return 0;
}
