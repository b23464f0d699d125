#pragma once
// The kind of parent window this platform's hosts hand a plug-in view.

namespace velmo {

// "X11EmbedWindowID" on Linux, "NSView" on Apple; null where no editor is offered.
const char* nativeViewType();

}  // namespace velmo
