#pragma once
// The link between the plug-in and its web-view helper: length-prefixed frames on one stream
// socket. A frame is a 4-byte little-endian length (type byte + payload), the type, the payload.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velmo {

enum class FrameType : std::uint8_t {
    PageMessage = 1,  // helper -> plug-in: one message the page posted (UTF-8 text)
    Script = 2,       // plug-in -> helper: script text to evaluate once the page is ready
    Resize = 3,       // plug-in -> helper: width and height (two 4-byte little-endian values)
    Close = 4,        // plug-in -> helper: take the window down and exit
    Failure = 5,      // helper -> plug-in: why the web view could not start (text)
};

inline constexpr std::size_t kMaxFramePayload = 16u << 20;

// Appends one frame; false (nothing appended) when the payload is too large.
bool appendFrame(std::string& out, FrameType type, std::string_view payload);

std::string resizePayload(std::int32_t width, std::int32_t height);
bool parseResize(std::string_view payload, std::int32_t& width, std::int32_t& height);

// Splits a byte stream into frames.
class FrameReader {
public:
    enum class Next { Frame, NeedMore, Corrupt };

    void feed(const char* data, std::size_t size) { buffer_.append(data, size); }
    // The next whole frame; Corrupt (for good) on a length that no frame may have or an unknown type.
    Next next(FrameType& type, std::string& payload);

private:
    std::string buffer_;
    std::size_t offset_ = 0;
    bool corrupt_ = false;
};

}  // namespace velmo
