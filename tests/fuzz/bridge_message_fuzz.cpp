// parseBridgeMessage on exact-size inputs; embedded documents must survive being written again.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "ccmap/cc_map_json.h"
#include "docs/bridge_message.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto message = std::make_unique<velmo::BridgeMessage>();
    if (!velmo::parseBridgeMessage(reinterpret_cast<const char*>(data), size, *message)) return 0;
    if (message->hasState) velmo::fuzz::checkStateRoundTrip(message->state);
    if (message->hasMap) {
        std::string text;
        velmo::writeCcMapJson(text, message->map);
        velmo::CcMap again;
        FUZZ_CHECK(velmo::parseCcMapJson(text.data(), text.size(), again));
        FUZZ_CHECK(velmo::ccMapsEqual(again, message->map));
    }
    if (message->hasPads) {
        std::string text;
        velmo::writeSamplerPadOverridesJson(text, message->pads);
        velmo::SamplerPadOverrides again;
        FUZZ_CHECK(velmo::parseSamplerPadOverridesJson(text.data(), text.size(), again));
        FUZZ_CHECK(again == message->pads);
    }
    FUZZ_CHECK(message->feeds < 2048u);
    FUZZ_CHECK(message->diagRequest <= 3);
    return 0;
}
