#pragma once
// The diagnostic blocks of the hello document: who the plug-in is, what the host is doing,
// which feeds are offered, and the preset state.
#include <cstdint>
#include <string>

#include "diagnostics/host_facts.h"
#include "diagnostics/preset_state_facts.h"
#include "diagnostics/ui_bundle_facts.h"

namespace velmo {

// Plug-in formats the identity names: 0 "vst3", 1 "clap", 2 "au", 3 "standalone", 4 and any
// other index "offline".
enum DiagnosticTarget : std::uint32_t {
    kDiagnosticTargetVst3 = 0,
    kDiagnosticTargetClap = 1,
    kDiagnosticTargetAu = 2,
    kDiagnosticTargetStandalone = 3,
    kDiagnosticTargetOffline = 4,
};

// Appends ,"identity":…[,"host":…],"diagnostics":…,"presetState":… to an open JSON object;
// the host block only when the host has configured a sample rate.
void appendDiagnosticHelloBlocks(std::string& out, std::uint32_t target, const HostFacts& hostFacts,
                                 const PresetStateFacts& presetState);

// With this process's UI bundle facts, or with the given ones.
void writeDiagnosticIdentityJson(std::string& out, std::uint32_t target);
void writeDiagnosticIdentityJson(std::string& out, std::uint32_t target, const UiBundleFacts& ui);

void writeDiagnosticCapabilitiesJson(std::string& out);
void writeDiagnosticPresetStateJson(std::string& out, const PresetStateFacts& presetState);
void writeDiagnosticBankJson(std::string& out, const BankFacts& bank);
// Writes nothing: there are no compiled banks.
void writeDiagnosticBanksJson(std::string& out);

}  // namespace velmo
