#pragma once
// The bank documents for the page: "velmo.bankState" and "velmo.folderPicked".
#include <cstdint>
#include <string>
#include <vector>

#include "banks/staged_bank.h"
#include "docs/pad_overrides.h"

namespace velmo {

// What a bank state document shows; runtime is written only when shown.
struct BankStateView {
    const char* reason = "query";
    const SamplerPadOverrides* pads = nullptr;
    bool showRuntime = false;
    const std::string* source = nullptr;
    const std::string* locator = nullptr;
    const std::string* instrumentId = nullptr;
    const std::string* instrumentName = nullptr;
    const std::string* instrumentKind = nullptr;
    const std::vector<std::string>* positionings = nullptr;  // tab-separated records
    const std::vector<BankControlPreset>* bankPresets = nullptr;  // null: the factory presets
    const char* errorCode = nullptr;  // null: no error block
    const std::string* requestedId = nullptr;
};

std::string writeBankStateJson(const BankStateView& view);

// ok with a path; otherwise the error, or "cancelled" when the error is empty.
std::string writeFolderPickedJson(bool ok, const std::string& path, const std::string& error);

// "velmo.bankFetchProgress": bytes of a running hosted download so far, and the expected total
// (0 while unknown).
std::string writeBankFetchProgressJson(std::uint64_t received, std::uint64_t expected);

}  // namespace velmo
