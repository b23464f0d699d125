#pragma once
// Which factory preset the controller's values hold, and whether they still hold it: the
// names and values of the preset last applied or recognised, compared with the parameters as
// hosts keep them (floats), so a preset that went through a host is still the preset.
#include <cstdint>
#include <functional>

#include "diagnostics/preset_state_facts.h"
#include "params/factory_presets.h"
#include "params/param_table.h"

namespace velmo {

class PresetTracker {
public:
    // The current normalized value of parameter id (0-9).
    using Values = std::function<double(std::uint32_t id)>;
    explicit PresetTracker(Values values) : values_(std::move(values)) {}

    // The preset whose values were just applied.
    void remember(const velmo_factory_preset& preset);
    // A preset chosen elsewhere (a bank's): names only, the dirty test is unchanged.
    void noteNames(const char* id, const char* name);
    // Restored values that equal a factory preset's make that preset current.
    void adoptMatching();
    // True when a preset was applied and some value has left it since.
    bool dirty() const;
    // The facts the hello reports, brought up to date.
    PresetStateFacts& refresh();
    PresetStateFacts& facts() { return facts_; }
    const PresetStateFacts& facts() const { return facts_; }

    // Whether two normalized values are the same once a host has kept them as floats.
    static bool sameAsHostKeepsIt(double a, double b) { return static_cast<float>(a) == static_cast<float>(b); }

private:
    Values values_;
    PresetStateFacts facts_{};
    double presetValues_[VELMO_PARAM_COUNT] = {};
    bool applied_ = false;
};

}  // namespace velmo
