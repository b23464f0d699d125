#pragma once
// State streams as a host hands them to a plug-in: bytes in a memory stream, positioned at the
// start, and the bytes a plug-in wrote back.
#include <cstddef>
#include <string>

#include "base/source/fobject.h"
#include "public.sdk/source/common/memorystream.h"

namespace velmo::host {

inline Steinberg::IPtr<Steinberg::MemoryStream> streamOf(const void* data, std::size_t size) {
    auto stream = Steinberg::owned(new Steinberg::MemoryStream);
    Steinberg::int32 written = 0;
    stream->write(const_cast<void*>(data), static_cast<Steinberg::int32>(size), &written);
    stream->seek(0, Steinberg::IBStream::kIBSeekSet, nullptr);
    return stream;
}

inline Steinberg::IPtr<Steinberg::MemoryStream> streamOf(const std::string& bytes) {
    return streamOf(bytes.data(), bytes.size());
}

// A stream that hands its bytes over at most `piece` at a time, as some hosts' streams do. With
// `failAt` set, a read that reaches that position reports a failure along with its bytes.
class PieceStream : public Steinberg::MemoryStream {
public:
    PieceStream(const std::string& bytes, Steinberg::int32 piece, Steinberg::int64 failAt = -1)
        : piece_(piece), failAt_(failAt) {
        write(const_cast<char*>(bytes.data()), static_cast<Steinberg::int32>(bytes.size()), nullptr);
        seek(0, kIBSeekSet, nullptr);
    }
    Steinberg::tresult PLUGIN_API read(void* buffer, Steinberg::int32 numBytes, Steinberg::int32* numBytesRead) override {
        Steinberg::int64 at = 0;
        tell(&at);
        const Steinberg::tresult result =
            MemoryStream::read(buffer, numBytes < piece_ ? numBytes : piece_, numBytesRead);
        Steinberg::int64 now = 0;
        tell(&now);
        return failAt_ >= 0 && at < failAt_ && now >= failAt_ ? Steinberg::kInternalError : result;
    }

private:
    Steinberg::int32 piece_;
    Steinberg::int64 failAt_;
};

inline std::string streamBytes(Steinberg::MemoryStream& stream) {
    return std::string(stream.getData(), static_cast<std::size_t>(stream.getSize()));
}

}  // namespace velmo::host
