#pragma once
// The script side of the page bridge: the script every page gets before its own, the text that
// delivers one document to it, and the page's address.
#include <cstdint>
#include <string>
#include <string_view>

namespace velmo {

// Injected at document start, main frame only: gives the page `window.velmoHost`.
const char* injectedBridgeScript();

// What every delivery script starts with; the document follows it.
inline constexpr std::string_view kDeliveryPrefix = "window.velmoHost && window.velmoHost._deliver(";

// kDeliveryPrefix + document + ");" in `script`. False, and nothing to evaluate, when the
// document is not valid UTF-8.
bool deliveryScript(std::string_view document, std::string& script);

bool isValidUtf8(std::string_view text);

// 64-bit FNV-1a over the root's bytes from the start value 0x14650fb0739d0383.
std::uint64_t bundleKey(std::string_view uiRoot);

// "velmo-ui://bundle-<key as 16 lower-case hex digits>/index.html".
std::string pageUrl(std::string_view uiRoot);

}  // namespace velmo
