#include "diagnostics/transport_fact.h"

#include <cmath>
#include <cstring>

#include "docs/json_write.h"

namespace velmo {

namespace {

// Bitwise-equal doubles are the same value here, so a NaN tempo does not read as a change on
// every poll.
bool differs(double a, double b) { return std::memcmp(&a, &b, sizeof a) != 0 && a != b; }

const char* sourceName(std::uint8_t source) {
    switch (source) {
        case 1: return "host";
        case 2: return "internal";
        default: return "none";
    }
}

void appendBool(std::string& out, std::uint8_t value) { out += value ? "true" : "false"; }

void appendLoopPoint(std::string& out, const TransportFact& f, double value) {
    if (f.hasLoop == 1 && std::isfinite(value)) {
        jsonAppendNumber(out, value);
    } else {
        out += "null";
    }
}

}  // namespace

bool TransportFact::differsFrom(const TransportFact& o) const {
    return source != o.source || playing != o.playing || recording != o.recording ||
           looping != o.looping || hasTempo != o.hasTempo ||
           hasTimeSignature != o.hasTimeSignature || hasPosition != o.hasPosition ||
           hasLoop != o.hasLoop || canSetTempo != o.canSetTempo || differs(tempo, o.tempo) ||
           numerator != o.numerator || denominator != o.denominator ||
           differs(loopStartPpq, o.loopStartPpq) || differs(loopEndPpq, o.loopEndPpq) ||
           differs(sampleRate, o.sampleRate);
}

void writeDiagnosticTransportJson(std::string& out, const TransportFact& f) {
    out += "{\"type\":\"velmo.transport\",\"frame\":{\"atFrame\":";
    out += std::to_string(f.atFrame);
    out += ",\"source\":";
    jsonAppendQuoted(out, sourceName(f.source));
    out += ",\"state\":{\"playing\":";
    appendBool(out, f.playing);
    out += ",\"recording\":";
    appendBool(out, f.recording);
    out += ",\"looping\":";
    appendBool(out, f.looping);
    out += ",\"tempo\":";
    jsonAppendNumber(out, f.tempo);
    out += ",\"timeSignature\":{\"numerator\":";
    out += std::to_string(f.numerator);
    out += ",\"denominator\":";
    out += std::to_string(f.denominator);
    out += "},\"ppqPosition\":";
    jsonAppendNumber(out, f.ppqPosition);
    out += ",\"barPositionPpq\":";
    jsonAppendNumber(out, f.barPositionPpq);
    out += ",\"loopStartPpq\":";
    appendLoopPoint(out, f, f.loopStartPpq);
    out += ",\"loopEndPpq\":";
    appendLoopPoint(out, f, f.loopEndPpq);
    out += ",\"sampleRate\":";
    if (f.sampleRate > 0 && std::isfinite(f.sampleRate)) {
        jsonAppendNumber(out, f.sampleRate);
    } else {
        out += "null";
    }
    out += ",\"projectTimeSamples\":";
    out += std::to_string(f.projectTimeSamples);
    out += "},\"capabilities\":{\"tempo\":";
    appendBool(out, f.hasTempo);
    out += ",\"timeSignature\":";
    appendBool(out, f.hasTimeSignature);
    out += ",\"position\":";
    appendBool(out, f.hasPosition);
    out += ",\"loop\":";
    appendBool(out, f.hasLoop);
    out += ",\"canSetTempo\":";
    appendBool(out, f.canSetTempo);
    out += "}}}";
}

}  // namespace velmo
