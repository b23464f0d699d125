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

inline std::string streamBytes(Steinberg::MemoryStream& stream) {
    return std::string(stream.getData(), static_cast<std::size_t>(stream.getSize()));
}

}  // namespace velmo::host
