#include "editor/bridge_frames.h"

namespace velmo {

namespace {

constexpr std::size_t LENGTH_BYTES = 4;
constexpr std::size_t TYPE_AND_VIEW_BYTES = 5;

void appendU32(std::string& out, std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

std::uint32_t readU32(const char* p) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(p[i]);
    return v;
}

bool knownType(std::uint8_t t) { return t >= 1 && t <= 7; }

}  // namespace

bool appendFrame(std::string& out, FrameType type, std::uint32_t view, std::string_view payload) {
    if (payload.size() > kMaxFramePayload) return false;
    appendU32(out, static_cast<std::uint32_t>(payload.size() + TYPE_AND_VIEW_BYTES));
    out.push_back(static_cast<char>(type));
    appendU32(out, view);
    out.append(payload);
    return true;
}

std::string resizePayload(std::int32_t width, std::int32_t height) {
    std::string out;
    appendU32(out, static_cast<std::uint32_t>(width));
    appendU32(out, static_cast<std::uint32_t>(height));
    return out;
}

bool parseResize(std::string_view payload, std::int32_t& width, std::int32_t& height) {
    if (payload.size() != 8) return false;
    width = static_cast<std::int32_t>(readU32(payload.data()));
    height = static_cast<std::int32_t>(readU32(payload.data() + 4));
    return width > 0 && height > 0;
}

std::string openPayload(const OpenRequest& request) {
    std::string out;
    appendU32(out, static_cast<std::uint32_t>(request.window & 0xFFFFFFFFu));
    appendU32(out, static_cast<std::uint32_t>(request.window >> 32));
    out += resizePayload(request.width, request.height);
    out += request.uiRoot;
    return out;
}

bool parseOpen(std::string_view payload, OpenRequest& request) {
    if (payload.size() <= 16) return false;
    request.window = readU32(payload.data()) | (std::uint64_t{readU32(payload.data() + 4)} << 32);
    request.uiRoot.assign(payload.substr(16));
    return request.window != 0 && parseResize(payload.substr(8, 8), request.width, request.height);
}

FrameReader::Next FrameReader::next(FrameType& type, std::uint32_t& view, std::string& payload) {
    if (corrupt_) return Next::Corrupt;
    const std::size_t available = buffer_.size() - offset_;
    if (available < LENGTH_BYTES + 1) return Next::NeedMore;
    const std::uint32_t length = readU32(buffer_.data() + offset_);
    const auto rawType = static_cast<std::uint8_t>(buffer_[offset_ + LENGTH_BYTES]);
    if (length < TYPE_AND_VIEW_BYTES || length - TYPE_AND_VIEW_BYTES > kMaxFramePayload || !knownType(rawType)) {
        corrupt_ = true;
        return Next::Corrupt;
    }
    if (available < LENGTH_BYTES + length) return Next::NeedMore;
    type = static_cast<FrameType>(rawType);
    view = readU32(buffer_.data() + offset_ + LENGTH_BYTES + 1);
    payload.assign(buffer_, offset_ + LENGTH_BYTES + TYPE_AND_VIEW_BYTES, length - TYPE_AND_VIEW_BYTES);
    offset_ += LENGTH_BYTES + length;
    // Drop consumed bytes once they dominate the buffer.
    if (offset_ > 4096 && offset_ * 2 > buffer_.size()) {
        buffer_.erase(0, offset_);
        offset_ = 0;
    }
    return Next::Frame;
}

}  // namespace velmo
