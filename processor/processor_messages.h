#pragma once
// IDs of the messages the processor exchanges with the controller. Every payload is the
// binary attribute kPayloadAttribute holding text (or record) bytes without a terminating NUL.

namespace velmo {

inline constexpr const char* kPayloadAttribute = "json";

// Processor -> controller.
inline constexpr const char* kMessageRuntimeDiagnostics = "velmo.runtimeDiagnostics";
inline constexpr const char* kMessageHostFacts = "velmo.diag.hostFacts";

// Controller -> processor.
inline constexpr const char* kMessageTransportPoll = "velmo.diag.transportPoll";
inline constexpr const char* kMessageFeedDrain = "velmo.diag.feedDrain";
inline constexpr const char* kMessagePresetLoaded = "velmo.diag.presetLoaded";
inline constexpr const char* kMessageResetCounters = "velmo.diag.resetCounters";
inline constexpr const char* kMessagePadOverrides = "velmo.padOverrides";
inline constexpr const char* kMessageStageResourceSlot = "velmo.stageResourceSlot";
inline constexpr const char* kMessageCcMap = "velmo.ccMap";

// Identity the runtime health document carries.
inline constexpr const char* kHealthModuleId = "music.velmo.bells";
inline constexpr const char* kHealthVersion = "0.1.0";

}  // namespace velmo
