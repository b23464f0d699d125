#include "banks/bank_reply.h"

#include <cmath>

#include "docs/number_text.h"

namespace velmo {

namespace {

constexpr char kPresetMark = '\x01';
constexpr char kParamSeparator = '\x1F';

std::vector<std::string_view> splitAt(std::string_view text, char separator) {
    std::vector<std::string_view> pieces;
    for (;;) {
        const std::size_t end = text.find(separator);
        pieces.push_back(text.substr(0, end));
        if (end == std::string_view::npos) return pieces;
        text.remove_prefix(end + 1);
    }
}

// "name=value": a name of at least one byte, a value strtod reads at least in part, finite.
void addParam(std::string_view piece, BankControlPreset& preset) {
    const std::size_t eq = piece.find('=');
    if (eq == std::string_view::npos || eq == 0) return;
    double value = 0.0;
    if (numberFromTextAfterBlanks(piece.substr(eq + 1), value) == 0 || !std::isfinite(value)) return;
    preset.params.emplace_back(std::string(piece.substr(0, eq)), value);
}

BankControlPreset presetFromRecord(std::string_view record) {
    const std::vector<std::string> fields = splitFields(record.substr(1), 4);
    BankControlPreset preset{fields[0], fields[1], fields[2], {}};
    if (!fields[3].empty())
        for (std::string_view piece : splitAt(fields[3], kParamSeparator)) addParam(piece, preset);
    return preset;
}

}  // namespace

std::vector<std::string> splitFields(std::string_view line, std::size_t count) {
    std::vector<std::string> fields(count);
    if (count == 0) return fields;
    for (std::size_t i = 0; i + 1 < count; ++i) {
        const std::size_t tab = line.find('\t');
        fields[i] = std::string(line.substr(0, tab));
        if (tab == std::string_view::npos) return fields;
        line.remove_prefix(tab + 1);
    }
    fields[count - 1] = std::string(line);
    return fields;
}

RuntimeBankReply parseRuntimeBankReply(std::string_view text) {
    RuntimeBankReply reply;
    const std::vector<std::string_view> records = splitAt(text, '\n');
    reply.outcome = records[0].empty() ? "missing" : std::string(records[0]);
    reply.singleRecord = records.size() == 1;
    if (records.size() > 1) reply.message = std::string(records[1]);
    if (reply.outcome != "ok") return reply;

    for (std::size_t i = 2; i < records.size(); ++i) {
        const std::string_view record = records[i];
        if (record.empty()) continue;
        if (record.front() == kPresetMark) {
            reply.presets.push_back(presetFromRecord(record));
        } else if (i == 2) {
            std::vector<std::string> f = splitFields(record, 3);
            reply.instrumentId = std::move(f[0]);
            reply.instrumentName = std::move(f[1]);
            reply.instrumentKind = std::move(f[2]);
        } else {
            reply.positionings.emplace_back(record);
        }
    }
    return reply;
}

}  // namespace velmo
