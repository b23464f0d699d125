#pragma once
// One snapshot of the host transport. Crosses between processor and controller as its raw
// bytes (the payload of "velmo.diag.transport"), so the layout is fixed.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

namespace velmo {

enum class TransportSource : std::uint8_t { None = 0, Host = 1, Internal = 2 };

struct TransportFact {
    std::uint64_t atFrame = 0;
    std::uint8_t source = 0;  // TransportSource
    std::uint8_t playing = 0;
    std::uint8_t recording = 0;
    std::uint8_t looping = 0;
    std::uint8_t hasTempo = 0;
    std::uint8_t hasTimeSignature = 0;
    std::uint8_t hasPosition = 0;
    std::uint8_t hasLoop = 0;
    std::uint8_t canSetTempo = 0;
    std::uint8_t reserved0[7] = {};
    double tempo = 0.0;
    std::int32_t numerator = 0;
    std::int32_t denominator = 0;
    double ppqPosition = 0.0;
    double barPositionPpq = 0.0;
    double loopStartPpq = 0.0;
    double loopEndPpq = 0.0;
    double sampleRate = 0.0;
    std::int64_t projectTimeSamples = 0;

    // Whether the transport state differs; positions and the capture frame are not compared.
    bool differsFrom(const TransportFact& other) const;
};

static_assert(std::endian::native == std::endian::little, "the record travels little-endian");
static_assert(std::is_trivially_copyable_v<TransportFact> && std::is_standard_layout_v<TransportFact>);
static_assert(sizeof(TransportFact) == 88);
static_assert(offsetof(TransportFact, atFrame) == 0);
static_assert(offsetof(TransportFact, source) == 8);
static_assert(offsetof(TransportFact, playing) == 9);
static_assert(offsetof(TransportFact, recording) == 10);
static_assert(offsetof(TransportFact, looping) == 11);
static_assert(offsetof(TransportFact, hasTempo) == 12);
static_assert(offsetof(TransportFact, hasTimeSignature) == 13);
static_assert(offsetof(TransportFact, hasPosition) == 14);
static_assert(offsetof(TransportFact, hasLoop) == 15);
static_assert(offsetof(TransportFact, canSetTempo) == 16);
static_assert(offsetof(TransportFact, tempo) == 24);
static_assert(offsetof(TransportFact, numerator) == 32);
static_assert(offsetof(TransportFact, denominator) == 36);
static_assert(offsetof(TransportFact, ppqPosition) == 40);
static_assert(offsetof(TransportFact, barPositionPpq) == 48);
static_assert(offsetof(TransportFact, loopStartPpq) == 56);
static_assert(offsetof(TransportFact, loopEndPpq) == 64);
static_assert(offsetof(TransportFact, sampleRate) == 72);
static_assert(offsetof(TransportFact, projectTimeSamples) == 80);

// The "velmo.transport" page document.
void writeDiagnosticTransportJson(std::string& out, const TransportFact& fact);

}  // namespace velmo
