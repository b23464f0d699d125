#include "docs/bank_outcome.h"

namespace velmo {

const char* runtimeBankOutcomeName(int code)
{
    switch (code) {
    case kBankOk: return "ok";
    case kBankHashMismatch: return "bank-hash-mismatch";
    case kBankMalformed: return "bank-malformed";
    case kBankUnsupportedCodec: return "bank-unsupported-codec";
    case kBankTooLarge: return "bank-too-large";
    case kBankInstrumentUnknown: return "bank-instrument-unknown";
    default: return "bank-missing";
    }
}

}  // namespace velmo
