#pragma once
// The link between the plug-in and its web-view helper: length-prefixed frames on one stream
// socket, shared by every editor of the host process. A frame is a 4-byte little-endian length
// (type byte + view id + payload), the type, the 4-byte little-endian view id, the payload.
// View 0 is the helper itself.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velmo {

enum class FrameType : std::uint8_t {
    PageMessage = 1,  // helper -> plug-in: one message the view's page posted (UTF-8 text)
    Script = 2,       // plug-in -> helper: script text to evaluate once the view's page is ready
    Resize = 3,       // plug-in -> helper: width and height (two 4-byte little-endian values)
    Close = 4,        // plug-in -> helper: take the view's window down
    Failure = 5,      // helper -> plug-in: why the view (or, for view 0, the helper) stopped (text)
    Open = 6,         // plug-in -> helper: show a view in a window (see openPayload)
    Shown = 7,        // helper -> plug-in: the view's host window became viewable ("1") or not ("0")
};

inline constexpr std::uint32_t kHelperView = 0;
inline constexpr std::size_t kMaxFramePayload = 16u << 20;

// Appends one frame; false (nothing appended) when the payload is too large.
bool appendFrame(std::string& out, FrameType type, std::uint32_t view, std::string_view payload);

std::string resizePayload(std::int32_t width, std::int32_t height);
bool parseResize(std::string_view payload, std::int32_t& width, std::int32_t& height);

// The X11 window to embed in (8 bytes), the size (4 + 4) and the UI folder (the rest).
struct OpenRequest {
    std::uint64_t window = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::string uiRoot;
};
std::string openPayload(const OpenRequest& request);
bool parseOpen(std::string_view payload, OpenRequest& request);

// Splits a byte stream into frames.
class FrameReader {
public:
    enum class Next { Frame, NeedMore, Corrupt };

    void feed(const char* data, std::size_t size) { buffer_.append(data, size); }
    // The next whole frame; Corrupt (for good) on a length that no frame may have or an unknown type.
    Next next(FrameType& type, std::uint32_t& view, std::string& payload);

private:
    std::string buffer_;
    std::size_t offset_ = 0;
    bool corrupt_ = false;
};

}  // namespace velmo
