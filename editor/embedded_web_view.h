#pragma once
// The web view a plug-in view shows inside the host's window, wired to the controller's bridge.
// Each platform supplies its own file set behind this interface (on Linux: a helper process
// embedded in the host's X11 window).
#include <cstdint>
#include <memory>
#include <string>

#include "controller/bridge_host.h"
#include "platform/run_loop.h"

namespace velmo {

class EmbeddedWebView {
public:
    // Detaching: the controller hears that the editor closed and loses its page sink.
    virtual ~EmbeddedWebView() = default;
    virtual void setSize(std::int32_t width, std::int32_t height) = 0;
};

// A view of `uiRoot` is about to be attached: the platform may start its web engine now, so
// that the start overlaps the host's own work.
void prepareEmbeddedWebView(const std::string& uiRoot);

// Module exit: what the platform's web views share goes (on Linux, the helper process).
void closeEmbeddedWebViews();

// Creates, wires and loads a web view for `host` showing `uiRoot`, embedded in the native window
// `parent` at 0, 0 with the given size; its work runs on `loop`. The controller hears
// onEditorOpened on success; on failure it hears onEditorError with the reason, and the answer
// is null.
std::unique_ptr<EmbeddedWebView> createEmbeddedWebView(BridgeHost& host, const std::string& uiRoot,
                                                       void* parent, std::int32_t width,
                                                       std::int32_t height,
                                                       const std::shared_ptr<RunLoop>& loop);

}  // namespace velmo
