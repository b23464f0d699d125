#pragma once
// The host's processing configuration and identity as one fixed-size record. It crosses from
// processor to controller as its raw bytes, so the layout below is part of the message format.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace velmo {

inline constexpr std::uint32_t kHostFactsMaxBuses = 8;

enum class ValidatorHost : std::uint8_t {
    None = 0,
    Pluginval = 1,
    ClapValidator = 2,
    Auval = 3,
    SteinbergValidator = 4,
    VelmoProbe = 5,
};

enum class TailKind : std::uint8_t { Unreported = 0, Samples = 1, Infinite = 2 };

struct HostBusFact {
    char id[32] = {};
    std::uint8_t isInput = 0;  // 1 input, 0 output
    std::uint8_t reserved0[3] = {};
    std::int32_t channels = 0;
    std::uint8_t active = 0;
    char layout[24] = {};  // "stereo", "mono" or empty
    std::uint8_t reserved1[3] = {};
};

struct HostFacts {
    char hostName[128] = {};
    char hostVersion[64] = {};
    char hostPath[512] = {};
    std::uint8_t validatorHost = 0;  // ValidatorHost
    std::uint8_t reserved0[7] = {};
    double sampleRate = 0.0;  // 0 until configured
    std::int32_t maxBlockFrames = 0;
    std::int32_t lastBlockFrames = -1;  // -1 until a block was delivered
    std::uint8_t processMode = 0;      // 0 realtime, 1 offline, 2 prefetch
    std::uint8_t reserved1[3] = {};
    std::int32_t sampleSize = 32;
    std::int32_t latencySamples = 0;
    std::uint8_t tailKind = 0;  // TailKind
    std::uint8_t reserved2[3] = {};
    std::int32_t tailSamples = 0;
    std::uint8_t reserved3[4] = {};
    double internalSampleRate = 0.0;  // the kernel's own rate when it differs; else 0
    std::uint8_t bypassReported = 0;
    std::uint8_t bypassed = 0;
    std::uint8_t reserved4[2] = {};
    HostBusFact buses[kHostFactsMaxBuses] = {};
    std::uint32_t busCount = 0;

    // Appends a bus; ignored once full. Texts are cut (id to 31, layout to 23 bytes); a null
    // text is stored empty.
    void addBus(const char* id, bool isInput, std::int32_t channels, bool active,
                const char* layout);
};

static_assert(std::endian::native == std::endian::little, "the record travels little-endian");
static_assert(std::is_trivially_copyable_v<HostFacts> && std::is_standard_layout_v<HostFacts>);
static_assert(sizeof(HostBusFact) == 68);
static_assert(offsetof(HostBusFact, id) == 0);
static_assert(offsetof(HostBusFact, isInput) == 32);
static_assert(offsetof(HostBusFact, channels) == 36);
static_assert(offsetof(HostBusFact, active) == 40);
static_assert(offsetof(HostBusFact, layout) == 41);
static_assert(offsetof(HostBusFact, reserved1) == 65);
static_assert(sizeof(HostFacts) == 1312);
static_assert(offsetof(HostFacts, hostName) == 0);
static_assert(offsetof(HostFacts, hostVersion) == 128);
static_assert(offsetof(HostFacts, hostPath) == 192);
static_assert(offsetof(HostFacts, validatorHost) == 704);
static_assert(offsetof(HostFacts, sampleRate) == 712);
static_assert(offsetof(HostFacts, maxBlockFrames) == 720);
static_assert(offsetof(HostFacts, lastBlockFrames) == 724);
static_assert(offsetof(HostFacts, processMode) == 728);
static_assert(offsetof(HostFacts, sampleSize) == 732);
static_assert(offsetof(HostFacts, latencySamples) == 736);
static_assert(offsetof(HostFacts, tailKind) == 740);
static_assert(offsetof(HostFacts, tailSamples) == 744);
static_assert(offsetof(HostFacts, internalSampleRate) == 752);
static_assert(offsetof(HostFacts, bypassReported) == 760);
static_assert(offsetof(HostFacts, bypassed) == 761);
static_assert(offsetof(HostFacts, buses) == 764);
static_assert(offsetof(HostFacts, busCount) == 1308);

// The name of what changed from `before` to `after` ("sampleRateChanged", "blockSizeChanged",
// "busLayoutChanged", "latencyChanged", "tailChanged", "processModeChanged", "bypassChanged",
// "configured"), or null when nothing did. The first matching rule wins.
const char* diagnosticHostChangeKind(const HostFacts& before, const HostFacts& after);

// True when the bus count or any bus's direction, channels, active flag, id or layout differ.
bool hostBusesDiffer(const HostFacts& a, const HostFacts& b);

// Name of a validator kind, null for 0 or an unknown value.
const char* validatorHostName(std::uint8_t kind);

}  // namespace velmo
