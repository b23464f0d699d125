#pragma once
// Outcomes of a runtime bank load and their names, shared by the bank loader, the processor's
// reply and the engine's health record.

namespace velmo {

enum RuntimeBankOutcome : int {
    kBankOk = 0,
    kBankMissing = 1,
    kBankHashMismatch = 2,
    kBankMalformed = 3,
    kBankUnsupportedCodec = 4,
    kBankTooLarge = 5,
    kBankInstrumentUnknown = 6,
};

// "ok", "bank-missing", ... ; any code outside 0-6 is "bank-missing".
const char* runtimeBankOutcomeName(int code);

}  // namespace velmo
