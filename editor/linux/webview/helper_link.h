#pragma once
// The helper's end of the link to the plug-in: frames written whole (blocking is fine here: the
// plug-in reads on a thread of its own) and an optional trace file for tests and debugging
// (VELMO_WEBVIEW_TRACE=/path/file appends one line per page message and delivery, ending in the
// view's id).
#include <cstdint>
#include <string_view>

#include "editor/bridge_frames.h"

namespace velmo::webview {

inline constexpr int kLinkFd = 3;

// False when the plug-in's end is gone.
bool sendFrame(FrameType type, std::uint32_t view, std::string_view payload);

void trace(const char* what, std::string_view text, std::uint32_t view);
// A "phase" trace line: the step's name and the CLOCK_MONOTONIC time in milliseconds, so that
// the plug-in side can tell where the time of an editor's start goes.
void tracePhase(std::string_view phase, std::uint32_t view);

}  // namespace velmo::webview
