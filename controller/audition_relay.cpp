#include "controller/audition_relay.h"

#include <cmath>
#include <cstdio>

#include "docs/bridge_message.h"

namespace velmo {

namespace {

bool noteOf(const BridgeMessage& m, std::uint8_t& note) {
    if (!m.hasNote || !(m.note >= 0.0 && m.note <= 127.0) || m.note != std::floor(m.note)) return false;
    note = static_cast<std::uint8_t>(m.note);
    return true;
}

bool refuse(const BridgeMessage& m) {
    std::fprintf(stderr, "velmo-plugin-shell: %s refused: needs an integer \"note\" 0-127%s\n", m.type.c_str(),
                 m.type == "velmo.auditionStrike" ? " and a \"velocity\" above 0 up to 1" : "");
    return true;
}

}  // namespace

bool AuditionRelay::handle(const BridgeMessage& m) {
    AuditionNote a;
    if (m.type == "velmo.auditionStrike") {
        if (!noteOf(m, a.note) || !(m.velocity > 0.0 && m.velocity <= 1.0)) return refuse(m);
        a.kind = static_cast<std::uint8_t>(AuditionKind::Strike);
        a.velocity = static_cast<float>(m.velocity);
        held_.set(a.note);
    } else if (m.type == "velmo.auditionRelease") {
        if (!noteOf(m, a.note)) return refuse(m);
        a.kind = static_cast<std::uint8_t>(AuditionKind::Release);
        held_.reset(a.note);
    } else if (m.type == "velmo.auditionReleaseAll") {
        releaseAll();
        return true;
    } else {
        return false;
    }
    send_(a);
    return true;
}

void AuditionRelay::pageGone() {
    if (held_.any()) releaseAll();
}

void AuditionRelay::releaseAll() {
    held_.reset();
    AuditionNote a;
    a.kind = static_cast<std::uint8_t>(AuditionKind::ReleaseAll);
    send_(a);
}

}  // namespace velmo
