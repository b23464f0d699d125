#include "diagnostics/host_facts.h"

#include <cstring>

namespace velmo {

namespace {

void copyCut(char* dst, std::size_t capacity, const char* src) {
    std::memset(dst, 0, capacity);
    if (src == nullptr) {
        return;
    }
    const std::size_t n = strnlen(src, capacity - 1);
    std::memcpy(dst, src, n);
}

bool sameText(const char* a, const char* b, std::size_t capacity) {
    return std::strncmp(a, b, capacity) == 0;
}

}  // namespace

bool hostBusesDiffer(const HostFacts& a, const HostFacts& b) {
    if (a.busCount != b.busCount) {
        return true;
    }
    const std::uint32_t n = a.busCount < kHostFactsMaxBuses ? a.busCount : kHostFactsMaxBuses;
    for (std::uint32_t i = 0; i < n; ++i) {
        const HostBusFact& x = a.buses[i];
        const HostBusFact& y = b.buses[i];
        if (x.isInput != y.isInput || x.channels != y.channels || x.active != y.active ||
            !sameText(x.id, y.id, sizeof x.id) || !sameText(x.layout, y.layout, sizeof x.layout)) {
            return true;
        }
    }
    return false;
}

namespace {

// Doubles compared as values would call NaN != NaN a change on every record; compare the bits
// instead so an unchanged record never reports a change.
bool doubleDiffers(double a, double b) { return std::memcmp(&a, &b, sizeof a) != 0 && a != b; }

}  // namespace

void HostFacts::addBus(const char* id, bool isInput, std::int32_t channels, bool active,
                       const char* layout) {
    if (busCount >= kHostFactsMaxBuses) {
        return;
    }
    HostBusFact& bus = buses[busCount];
    bus = HostBusFact{};
    copyCut(bus.id, sizeof bus.id, id);
    bus.isInput = isInput ? 1 : 0;
    bus.channels = channels;
    bus.active = active ? 1 : 0;
    copyCut(bus.layout, sizeof bus.layout, layout);
    ++busCount;
}

const char* diagnosticHostChangeKind(const HostFacts& a, const HostFacts& b) {
    if (doubleDiffers(a.sampleRate, b.sampleRate)) return "sampleRateChanged";
    if (a.maxBlockFrames != b.maxBlockFrames) return "blockSizeChanged";
    if (hostBusesDiffer(a, b)) return "busLayoutChanged";
    if (a.latencySamples != b.latencySamples) return "latencyChanged";
    if (a.tailKind != b.tailKind || a.tailSamples != b.tailSamples) return "tailChanged";
    if (a.processMode != b.processMode) return "processModeChanged";
    if (b.bypassReported == 1 && (a.bypassReported != 1 || a.bypassed != b.bypassed)) {
        return "bypassChanged";
    }
    if (a.lastBlockFrames != b.lastBlockFrames) return "blockSizeChanged";
    if (a.sampleSize != b.sampleSize) return "configured";
    if (doubleDiffers(a.internalSampleRate, b.internalSampleRate)) return "sampleRateChanged";
    return nullptr;
}

const char* validatorHostName(std::uint8_t kind) {
    switch (kind) {
        case 1: return "pluginval";
        case 2: return "clap-validator";
        case 3: return "auval";
        case 4: return "steinberg-validator";
        case 5: return "velmo-probe";
        default: return nullptr;
    }
}

}  // namespace velmo
