#pragma once
// The component state document: written by the processor for the host's project, read back by
// processor and controller, and embedded in the page's state messages.
#include <cstddef>
#include <cstdint>
#include <string>

#include "docs/state_chunk.h"

namespace velmo {

struct Reader;

// Optional bank reference texts; null or empty means absent.
struct BankStateRefOut {
    const char* id = nullptr;
    const char* bankVersion = nullptr;
    const char* sha256 = nullptr;
    const char* source = nullptr;  // "embedded" is written when absent
    const char* presetId = nullptr;
    const char* instrument = nullptr;
    const char* locator = nullptr;
};

// The texts of a parsed reference, for writing it again.
BankStateRefOut bankStateRefOut(const BankStateRef& ref);

struct AuthoredStateOut {
    const std::uint8_t* bytes = nullptr;
    std::size_t count = 0;
    std::uint32_t version = 0;
};

// Authored bytes above this size are ignored when read.
inline constexpr std::size_t kMaxAuthoredStateBytes = 1048576;

// params: VELMO_PARAM_COUNT plain values (required). variation < 0 is left out. ccMap, bankRef,
// padOverrides and authored may be null.
std::string writeStateJson(const double* params, std::int32_t variation, const CcMap* ccMap,
                           std::uint32_t samplerAssetFault, std::uint32_t samplerZoneProgram,
                           const BankStateRefOut* bankRef, const SamplerPadOverrides* padOverrides,
                           const AuthoredStateOut* authored);

// True when the whole text is one valid state document. chunk must hold the defaults; on false
// it may hold part of the document and is to be discarded.
bool parseStateJson(const char* text, std::size_t length, StateChunk& chunk);

// Walks one object at the reader. Without a chunk the object is only skipped. With a chunk it
// is a state document object at `depth` (0 for a root), or its "params" member when inParams.
bool parseObject(Reader& reader, StateChunk* chunk, int depth, bool inParams);

}  // namespace velmo
