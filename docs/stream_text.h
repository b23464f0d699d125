#pragma once
// Reading a state stream a host hands over. A host's stream may return fewer bytes than asked
// at any call (some hand state over in small pieces), so only a read that returns nothing ends
// the text. Header-only so the document layer stays free of the plug-in interfaces: `Stream`
// is anything with read(void*, int32, int32*) answering 0 for success, as host streams do.
#include <cstddef>
#include <cstdint>
#include <string>

namespace velmo {

// Larger than any state this instrument writes; a stream that never ends is refused.
inline constexpr std::size_t kMaxStreamTextBytes = 64u << 20;

// The whole stream in `text`. False when a read that returned bytes reports a failure, or the
// stream is larger than kMaxStreamTextBytes; `text` is then empty, and the caller refuses.
template <typename Stream>
bool readStreamText(Stream& stream, std::string& text) {
    constexpr std::int32_t kPiece = 4096;
    char piece[kPiece];
    text.clear();
    for (;;) {
        std::int32_t got = 0;
        const auto result = stream.read(piece, kPiece, &got);
        // No bytes is the end, whatever the answer: hosts differ in what they say there.
        if (got <= 0) return true;
        if (result != 0 || got > kPiece || text.size() + static_cast<std::size_t>(got) > kMaxStreamTextBytes) {
            text.clear();
            return false;
        }
        text.append(piece, static_cast<std::size_t>(got));
    }
}

}  // namespace velmo
