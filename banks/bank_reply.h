#pragma once
// The runtime bank reply text the processor sends after every load request, as the controller
// reads it: records separated by line feeds, fields by tabs. Record 1 is the outcome name,
// record 2 the message; on "ok" an instrument record, positioning records (id, name, kind) and
// preset records (0x01, id, name, instrument, "name=value" pieces joined by 0x1F) may follow.
#include <string>
#include <string_view>
#include <vector>

#include "banks/staged_bank.h"

namespace velmo {

// Splits one record at tabs into exactly `count` fields: the first count - 1 end at tabs, the
// last takes the rest of the record (tabs included); missing fields are empty.
std::vector<std::string> splitFields(std::string_view line, std::size_t count);

struct RuntimeBankReply {
    std::string outcome;  // "missing" when the text gives none
    std::string message;
    std::string instrumentId, instrumentName, instrumentKind;
    std::vector<std::string> positionings;  // records kept as received
    std::vector<BankControlPreset> presets;
    bool singleRecord = true;  // nothing after the outcome name
};

// Never fails: unreadable preset parameters are dropped, never the preset.
RuntimeBankReply parseRuntimeBankReply(std::string_view reply);

}  // namespace velmo
