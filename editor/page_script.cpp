#include "editor/page_script.h"

#include <cstdio>

namespace velmo {

namespace {

constexpr std::uint64_t BUNDLE_KEY_START = 0x14650fb0739d0383ULL;
constexpr std::uint64_t FNV_PRIME = 0x100000001b3ULL;

constexpr const char* BRIDGE_SCRIPT =
    "(function () {  if (window.velmoHost) { return; }  var handlers = [];  "
    "window.velmoHost = {    postMessage: function (message) {      "
    "window.webkit.messageHandlers.velmo.postMessage(JSON.stringify(message));    "
    "},    onMessage: function (handler) { handlers.push(handler); },    "
    "_deliver: function (message) {      "
    "for (var i = 0; i < handlers.length; i += 1) {        "
    "try { handlers[i](message); } catch (error) { console.error(error); }      }    "
    "}  };})();";

}  // namespace

const char* injectedBridgeScript() { return BRIDGE_SCRIPT; }

bool isValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t extra = 0;
        std::uint32_t code = 0;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            code = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            code = c & 0x07;
        } else {
            return false;
        }
        if (text.size() - i <= extra) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
        if ((extra == 2 && code < 0x800) || (extra == 3 && (code < 0x10000 || code > 0x10FFFF)) ||
            (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

bool deliveryScript(std::string_view document, std::string& script) {
    script.clear();
    if (!isValidUtf8(document)) return false;
    script.reserve(document.size() + 64);
    script.append(kDeliveryPrefix);
    script.append(document);
    script.append(");");
    return true;
}

std::uint64_t bundleKey(std::string_view uiRoot) {
    std::uint64_t key = BUNDLE_KEY_START;
    for (const char c : uiRoot) {
        key ^= static_cast<unsigned char>(c);
        key *= FNV_PRIME;
    }
    return key;
}

std::string pageUrl(std::string_view uiRoot) {
    char text[64];
    std::snprintf(text, sizeof text, "velmo-ui://bundle-%016llx/index.html",
                  static_cast<unsigned long long>(bundleKey(uiRoot)));
    return text;
}

}  // namespace velmo
