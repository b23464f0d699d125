#include "ccmap/cc_map.h"

namespace velmo {

bool ccBindingsEqual(const CcBinding& a, const CcBinding& b) {
    return a.paramId == b.paramId && a.cc == b.cc && a.channel == b.channel &&
           a.curve == b.curve && a.valueMode == b.valueMode && a.takeover == b.takeover &&
           a.enabled == b.enabled && a.hasMin == b.hasMin && a.hasMax == b.hasMax &&
           (!a.hasMin || a.minValue == b.minValue) && (!a.hasMax || a.maxValue == b.maxValue);
}

bool ccMapsEqual(const CcMap& a, const CcMap& b) {
    if (a.count != b.count || a.count > kCcMapCapacity) return false;
    for (uint32_t i = 0; i < a.count; ++i) {
        if (!ccBindingsEqual(a.bindings[i], b.bindings[i])) return false;
    }
    return true;
}

}  // namespace velmo
