#include "platform/native_view.h"

namespace velmo {

const char* nativeViewType() {
#if defined(__APPLE__)
    return "NSView";
#elif defined(__linux__)
    return "X11EmbedWindowID";
#else
    return nullptr;
#endif
}

}  // namespace velmo
