#include "diagnostics/lifecycle_event.h"

#include <cstring>

namespace velmo {
namespace {

constexpr const char* KIND_NAMES[DIAGNOSTIC_LIFECYCLE_KIND_COUNT] = {
    "created",          "configured",         "activated",          "deactivated",
    "reset",            "destroyed",          "editorOpened",       "editorClosed",
    "editorError",      "stateSaved",         "stateRestored",      "presetLoaded",
    "presetSaved",      "latencyChanged",     "tailChanged",        "tempoChanged",
    "timeSignatureChanged", "sampleRateChanged", "blockSizeChanged", "busLayoutChanged",
    "processModeChanged", "bypassChanged",    "ccMapChanged",       "stimulus",
    "runtimeDiagnostic",
};

// Copies at most capacity - 1 bytes and always terminates; null becomes "".
void copyCut(char* dst, std::size_t capacity, const char* src) {
    std::size_t n = 0;
    if (src != nullptr) {
        while (n + 1 < capacity && src[n] != '\0') ++n;
        std::memcpy(dst, src, n);
    }
    dst[n] = '\0';
}

}  // namespace

const char* diagnosticLifecycleKindName(DiagnosticLifecycleKind kind) {
    const auto index = static_cast<std::uint32_t>(kind);
    return index < DIAGNOSTIC_LIFECYCLE_KIND_COUNT ? KIND_NAMES[index] : nullptr;
}

bool diagnosticLifecycleKindFromName(const char* name, DiagnosticLifecycleKind& kind) {
    if (name == nullptr) return false;
    for (std::uint32_t i = 0; i < DIAGNOSTIC_LIFECYCLE_KIND_COUNT; ++i) {
        if (std::strcmp(name, KIND_NAMES[i]) == 0) {
            kind = static_cast<DiagnosticLifecycleKind>(i);
            return true;
        }
    }
    return false;
}

namespace {

DiagnosticLifecycleDetail* nextSlot(DiagnosticLifecycleEvent& event, const char* name,
                                    DiagnosticDetailType type) {
    if (event.detailCount >= DiagnosticLifecycleEvent::MAX_DETAILS) return nullptr;
    DiagnosticLifecycleDetail& slot = event.details[event.detailCount++];
    slot = DiagnosticLifecycleDetail{};
    copyCut(slot.name, sizeof slot.name, name);
    slot.type = type;
    return &slot;
}

}  // namespace

DiagnosticLifecycleEvent& DiagnosticLifecycleEvent::addNumber(const char* name, double value) {
    if (auto* slot = nextSlot(*this, name, DiagnosticDetailType::Number)) slot->number = value;
    return *this;
}

DiagnosticLifecycleEvent& DiagnosticLifecycleEvent::addString(const char* name, const char* value) {
    if (auto* slot = nextSlot(*this, name, DiagnosticDetailType::String))
        copyCut(slot->text, sizeof slot->text, value);
    return *this;
}

DiagnosticLifecycleEvent& DiagnosticLifecycleEvent::addBool(const char* name, bool value) {
    if (auto* slot = nextSlot(*this, name, DiagnosticDetailType::Bool)) slot->boolean = value;
    return *this;
}

DiagnosticLifecycleEvent& DiagnosticLifecycleEvent::addNull(const char* name) {
    nextSlot(*this, name, DiagnosticDetailType::Null);
    return *this;
}

void DiagnosticLifecycleEvent::clear() { *this = DiagnosticLifecycleEvent{}; }

}  // namespace velmo
