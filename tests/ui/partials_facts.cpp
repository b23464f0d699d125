// Strikes the reference note on the kernel's bells state for a few parameter sets and prints
// what each started voice's resonators hold (frequency, level, decay rate per mode), so the
// page's partials picture is checked against the synthesiser itself.
#include <cmath>
#include <cstdio>
#include <string>

#include "docs/json_member.h"
#include "kernel/bell_families.h"
#include "kernel/bells_processor.h"

namespace {

struct Case {
    double family, position, size, decayScale, damping;
};

constexpr double kRate = 48000.0;
constexpr double kTwoPi = 6.283185307179586;

}  // namespace

int main() {
    using namespace velmo;
    // The first case is every parameter at its default.
    const Case cases[] = {
        {0, 0.15, 1.0, 1.0, 1.0}, {4, 1.0, 2.0, 2.5, 3.0}, {2, 0.0, 0.5, 0.2, 0.2},
        {1, 0.5, 1.3, 1.7, 0.6}, {3, 0.33, 0.7, 0.45, 2.2},
    };
    std::string out = "[";
    for (const Case& c : cases) {
        BellsState* state = bells::createState();
        const ProcessorConfig config{0, 128, 2, kRate};
        if (state == nullptr || !bells::prepare(*state, config)) return 1;
        bells::setParameter(*state, "ir.family", c.family);
        bells::setParameter(*state, "strike.position", c.position);
        bells::setParameter(*state, "ir.size", c.size);
        bells::setParameter(*state, "ir.decayScale", c.decayScale);
        bells::setParameter(*state, "ir.damping", c.damping);
        bells::handleEvent(*state, PROCESSOR_EVENT_NOTE_ON, BELLS_REFERENCE_NOTE, 1.0);
        const ModalStruckState& m = state->modal;
        int v = 0;
        while (v < MODAL_STRUCK_MAX_VOICES && m.voiceNote[v] != BELLS_REFERENCE_NOTE) ++v;
        if (v == MODAL_STRUCK_MAX_VOICES) return 1;
        if (out.size() > 1) out += ',';
        out += "{\"values\":{";
        jsonAppendMember(out, "ir.family", c.family, true);
        jsonAppendMember(out, "strike.position", c.position);
        jsonAppendMember(out, "ir.size", c.size);
        jsonAppendMember(out, "ir.decayScale", c.decayScale);
        jsonAppendMember(out, "ir.damping", c.damping);
        out += "},\"partials\":[";
        const int modes = m.recipeModeCount[selectedFamily(c.family)];
        for (int mode = 0; mode < modes; ++mode) {
            const int left = mode * 2;
            // Left and right are detuned by the same amount either way: their mean angle is
            // the mode's own frequency.
            double angle = 0.0;
            for (int k = left; k <= left + 1; ++k) angle += std::atan2(m.coefSin[v][k], m.coefCos[v][k]);
            const double radius = std::hypot(double(m.coefCos[v][left]), double(m.coefSin[v][left]));
            out += mode > 0 ? ",{" : "{";
            jsonAppendMember(out, "hz", angle / 2.0 * kRate / kTwoPi, true);
            jsonAppendMember(out, "level", m.modeGain[v][left]);
            jsonAppendMember(out, "rate", -std::log(radius) * kRate);
            out += '}';
        }
        out += "]}";
        bells::destroyState(state);
    }
    out += "]\n";
    std::fputs(out.c_str(), stdout);
    return 0;
}
