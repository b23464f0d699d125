#pragma once
// Loads a bank folder ("bank.json", instrument documents, WAV assets): verifies every asset,
// decodes the chosen instrument's or kit's samples into one arena and stages its zones.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "banks/staged_bank.h"

namespace velmo {

// arenaFrames: the engine's arena capacity in samples, 0 for no limit. instrument: the
// instrument or kit id, empty for the first one that has a document. Never throws.
RuntimeBankLoad loadRuntimeBank(const std::string& folder, std::size_t arenaFrames,
                                const std::string& instrument);

// The same over any file source (readWholeFile for a folder on disk); paths are given to it
// as joinPath(folder, relative).
using BankFileReader = std::function<bool(const std::string& path, std::vector<std::uint8_t>& bytes)>;
RuntimeBankLoad loadRuntimeBankFrom(const BankFileReader& read, const std::string& folder,
                                    std::size_t arenaFrames, const std::string& instrument);

}  // namespace velmo
