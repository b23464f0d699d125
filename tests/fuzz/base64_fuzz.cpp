// base64Decode on exact-size inputs (the first byte picks the size limit); decoded bytes,
// encoded again, decode to the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "docs/base64.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t limit = data[0] == 0xFF ? SIZE_MAX : data[0];
    std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    std::vector<std::uint8_t> bytes;
    if (!velmo::base64Decode(text, bytes, limit)) return 0;
    FUZZ_CHECK(bytes.size() <= limit);
    FUZZ_CHECK(text.size() % 4 == 0 && bytes.size() <= text.size() / 4 * 3);
    std::string encoded;
    velmo::base64Append(encoded, bytes.data(), bytes.size());
    FUZZ_CHECK(encoded.size() == text.size());
    std::vector<std::uint8_t> again;
    FUZZ_CHECK(velmo::base64Decode(encoded, again, bytes.size()));
    FUZZ_CHECK(again == bytes);
    return 0;
}
