// The editor's link to its helper: any byte stream splits into frames that write back to the
// same bytes, and stops for good at the first corrupt header; any text either becomes one
// delivery script around it or is refused as not UTF-8.
#include <cstddef>
#include <cstdint>
#include <string>

#include "editor/bridge_frames.h"
#include "editor/page_script.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    velmo::FrameReader reader;
    // Fed in two uneven pieces, as a socket may hand them over.
    const std::size_t half = size / 3;
    reader.feed(text, half);
    std::string again;
    velmo::FrameType type{};
    std::uint32_t view = 0;
    std::string payload;
    bool fedAll = false;
    for (;;) {
        const velmo::FrameReader::Next next = reader.next(type, view, payload);
        if (next == velmo::FrameReader::Next::Frame) {
            FUZZ_CHECK(velmo::appendFrame(again, type, view, payload));
            continue;
        }
        if (next == velmo::FrameReader::Next::Corrupt) {
            FUZZ_CHECK(reader.next(type, view, payload) == velmo::FrameReader::Next::Corrupt);
            break;
        }
        if (fedAll) break;
        reader.feed(text + half, size - half);
        fedAll = true;
    }
    FUZZ_CHECK(again.size() <= size);
    FUZZ_CHECK(std::string(text, again.size()) == again);

    std::string script;
    if (velmo::deliveryScript(std::string(text, size), script))
        FUZZ_CHECK(script.size() == size + 48);
    else
        FUZZ_CHECK(script.empty() && !velmo::isValidUtf8(std::string(text, size)));
    return 0;
}
