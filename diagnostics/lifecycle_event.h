#pragma once
// One lifecycle event of a controller instance: a kind, a time, an optional frame and up to
// six small named details. Fixed size, no heap memory, so recording never allocates.

#include <cstddef>
#include <cstdint>

namespace velmo {

enum class DiagnosticLifecycleKind : std::uint8_t {
    Created,
    Configured,
    Activated,
    Deactivated,
    Reset,
    Destroyed,
    EditorOpened,
    EditorClosed,
    EditorError,
    StateSaved,
    StateRestored,
    PresetLoaded,
    PresetSaved,
    LatencyChanged,
    TailChanged,
    TempoChanged,
    TimeSignatureChanged,
    SampleRateChanged,
    BlockSizeChanged,
    BusLayoutChanged,
    ProcessModeChanged,
    BypassChanged,
    CcMapChanged,
    Stimulus,
    RuntimeDiagnostic,
};

inline constexpr std::uint32_t DIAGNOSTIC_LIFECYCLE_KIND_COUNT = 25;

// The wire name of a kind, or nullptr for an index outside the list.
const char* diagnosticLifecycleKindName(DiagnosticLifecycleKind kind);
// Exact, case-sensitive lookup; false (kind untouched) for null or unlisted names.
bool diagnosticLifecycleKindFromName(const char* name, DiagnosticLifecycleKind& kind);

enum class DiagnosticDetailType : std::uint8_t { Null = 0, Number = 1, String = 2, Bool = 3 };

struct DiagnosticLifecycleDetail {
    static constexpr std::size_t NAME_CAPACITY = 24;   // 23 characters + NUL
    static constexpr std::size_t TEXT_CAPACITY = 64;   // 63 characters + NUL

    char name[NAME_CAPACITY];
    DiagnosticDetailType type;
    double number;
    bool boolean;
    char text[TEXT_CAPACITY];
};

struct DiagnosticLifecycleEvent {
    static constexpr std::uint32_t MAX_DETAILS = 6;

    std::uint32_t seq = 0;
    double timeMs = 0.0;
    std::int64_t atFrame = -1;
    DiagnosticLifecycleKind kind = DiagnosticLifecycleKind::Created;
    DiagnosticLifecycleDetail details[MAX_DETAILS] = {};
    std::uint32_t detailCount = 0;

    // Each appends one slot and does nothing once all six are used. Texts are cut, never grown.
    DiagnosticLifecycleEvent& addNumber(const char* name, double value);
    DiagnosticLifecycleEvent& addString(const char* name, const char* value);
    DiagnosticLifecycleEvent& addBool(const char* name, bool value);
    DiagnosticLifecycleEvent& addNull(const char* name);

    void clear();
};

}  // namespace velmo
