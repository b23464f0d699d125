#pragma once
// The helper's views of the page: one WebKitGTK web view per editor, each in a GtkPlug embedded
// in its host window, all in one web context (the "velmo-ui" scheme on each view's UI folder)
// and, where WebKit lets related views share one, one web process. Each view has its own
// "velmo" message handler and the injected bridge script, and holds script deliveries back
// until its page is ready. A view is hidden while its host window is not viewable, so its page
// sees itself hidden.
#include <cstdint>
#include <string>

#include "editor/bridge_frames.h"

namespace velmo::webview {

// Starts loading a page of `uiRoot` in no window yet: the next view of that folder takes it.
void preparePage(const std::string& uiRoot);

// Opens view `id`; false when WebKit gives no view.
bool openView(std::uint32_t id, const OpenRequest& request);
void closeView(std::uint32_t id);
void resizeView(std::uint32_t id, int width, int height);

// Evaluates `script` in the view's page now, or once the page has said "velmo.ready".
void deliverScript(std::uint32_t id, std::string script);

}  // namespace velmo::webview
