#pragma once
// IDs of the messages the processor and the controller exchange; both sides name them from here
// so a renamed ID cannot leave one side listening for the old text. Every payload is the binary
// attribute kPayloadAttribute holding text (or record) bytes without a terminating NUL.

namespace velmo {

inline constexpr const char* kPayloadAttribute = "json";

// Processor -> controller.
inline constexpr const char* kMessageRuntimeDiagnostics = "velmo.runtimeDiagnostics";
inline constexpr const char* kMessageHostFacts = "velmo.diag.hostFacts";
inline constexpr const char* kMessageTransport = "velmo.diag.transport";
inline constexpr const char* kMessageLifecycle = "velmo.diag.lifecycle";
inline constexpr const char* kMessageSignal = "velmo.diag.signal";
inline constexpr const char* kMessageRuntimeBankResult = "velmo.runtimeBankResult";
inline constexpr const char* kMessageMeters = "velmo.diag.meters";  // an OutputLevels record

// Controller -> processor.
inline constexpr const char* kMessageTransportPoll = "velmo.diag.transportPoll";
inline constexpr const char* kMessageFeedDrain = "velmo.diag.feedDrain";
inline constexpr const char* kMessagePresetLoaded = "velmo.diag.presetLoaded";
inline constexpr const char* kMessageResetCounters = "velmo.diag.resetCounters";
inline constexpr const char* kMessagePadOverrides = "velmo.padOverrides";
inline constexpr const char* kMessageStageResourceSlot = "velmo.stageResourceSlot";
inline constexpr const char* kMessageCcMap = "velmo.ccMap";
inline constexpr const char* kMessageLoadRuntimeBank = "velmo.loadRuntimeBank";
inline constexpr const char* kMessageAudition = "velmo.audition";  // an AuditionNote record

}  // namespace velmo
