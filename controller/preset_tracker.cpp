#include "controller/preset_tracker.h"

#include <algorithm>
#include <cstring>

#include "diagnostics/compiled_banks.h"

namespace velmo {

namespace {

void copyTruncated(char* dst, std::size_t capacity, const char* src) {
    std::size_t n = src != nullptr ? std::strlen(src) : 0;
    n = std::min(n, capacity - 1);
    if (n > 0) std::memcpy(dst, src, n);
    dst[n] = '\0';
}

}  // namespace

void PresetTracker::remember(const velmo_factory_preset& preset) {
    noteNames(preset.id, preset.name);
    std::copy(preset.values, preset.values + VELMO_PARAM_COUNT, presetValues_);
    applied_ = true;
}

void PresetTracker::noteNames(const char* id, const char* name) {
    copyTruncated(facts_.currentId, sizeof facts_.currentId, id);
    copyTruncated(facts_.currentName, sizeof facts_.currentName, name);
}

void PresetTracker::adoptMatching() {
    for (const velmo_factory_preset& preset : VELMO_FACTORY_PRESETS) {
        if (preset.values == nullptr) continue;
        bool same = true;
        for (std::uint32_t id = 0; id < VELMO_PARAM_COUNT && same; ++id)
            same = sameAsHostKeepsIt(values_(id), preset.values[id]);
        if (!same) continue;
        remember(preset);
        return;
    }
}

bool PresetTracker::dirty() const {
    if (!applied_) return false;
    for (std::uint32_t id = 0; id < VELMO_PARAM_COUNT; ++id)
        if (!sameAsHostKeepsIt(values_(id), presetValues_[id])) return true;
    return false;
}

PresetStateFacts& PresetTracker::refresh() {
    facts_.factoryCount = VELMO_FACTORY_PRESET_COUNT;
    facts_.dirty = dirty();
    facts_.userPresetsSupported = false;
    facts_.bank = BankFacts{};
    if (compiledBankCount() > 0) describeCompiledBank(0, facts_.bank);
    return facts_;
}

}  // namespace velmo
