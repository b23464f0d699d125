#pragma once
// The MIDI CC map: which controller drives which parameter. A plain value record, copied whole.
#include <cstdint>

namespace velmo {

enum CcCurve : uint8_t { kCcCurveLinear = 0, kCcCurveExp = 1, kCcCurveLog = 2, kCcCurveSCurve = 3 };

enum CcValueMode : uint8_t {
    kCcValueAbsolute = 0,
    kCcValueRelativeSignedBit = 1,
    kCcValueRelativeBinaryOffset = 2,
    kCcValueRelativeTwosComplement = 3,
    kCcValueToggle = 4,
};

enum CcTakeover : uint8_t { kCcTakeoverImmediate = 0, kCcTakeoverPickup = 1, kCcTakeoverScaled = 2 };

// Curve, value mode, takeover and the bounds are kept and saved unchanged; the host applies the
// mapping from the parameter id, CC number, channel and enabled flag alone.
struct CcBinding {
    uint32_t paramId = 0;   // 0-9; other ids are never read and never written
    uint8_t cc = 0;         // 0-127
    uint8_t channel = 0;    // 0 = any channel, 1-16
    uint8_t curve = kCcCurveLinear;
    uint8_t valueMode = kCcValueAbsolute;
    uint8_t takeover = kCcTakeoverImmediate;
    bool enabled = true;
    bool hasMin = false;
    bool hasMax = false;
    double minValue = 0.0;  // plain value, meaningful when hasMin
    double maxValue = 0.0;  // plain value, meaningful when hasMax
};

inline constexpr uint32_t kCcMapCapacity = 64;

struct CcMap {
    uint32_t count = 0;  // never above kCcMapCapacity
    CcBinding bindings[kCcMapCapacity];
};

// Equal meaningful content: the first `count` bindings, bounds compared only where present.
bool ccBindingsEqual(const CcBinding& a, const CcBinding& b);
bool ccMapsEqual(const CcMap& a, const CcMap& b);

}  // namespace velmo
