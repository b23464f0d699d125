#pragma once
// A key the editor page strikes or releases, on its way from the controller to the audio
// thread. Crosses as its raw bytes (the payload of "velmo.audition"), so the layout is fixed.
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace velmo {

enum class AuditionKind : std::uint8_t { Strike = 1, Release = 2, ReleaseAll = 3 };

struct AuditionNote {
    std::uint8_t kind = 0;  // AuditionKind
    std::uint8_t note = 0;  // 0-127; unused by ReleaseAll
    std::uint8_t reserved[2] = {};
    float velocity = 0.0f;  // (0, 1] for a strike
};

static_assert(std::is_trivially_copyable_v<AuditionNote> && sizeof(AuditionNote) == 8);
static_assert(offsetof(AuditionNote, velocity) == 4);

// A record as it arrived: a known kind, a note below 128, a strike's velocity in (0, 1].
inline bool auditionNoteValid(const AuditionNote& a) {
    switch (static_cast<AuditionKind>(a.kind)) {
        case AuditionKind::Strike: return a.note < 128 && a.velocity > 0.0f && a.velocity <= 1.0f;
        case AuditionKind::Release: return a.note < 128;
        case AuditionKind::ReleaseAll: return true;
    }
    return false;
}

}  // namespace velmo
