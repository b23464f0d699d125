#pragma once
// The editor: a VST3 plug-in view showing the page of the bundle's UI folder in a web view
// inside the host's window, talking to the controller only through its EditorHost interface.
#include <memory>
#include <string>

#include "public.sdk/source/common/pluginview.h"

namespace velmo {

class EditorHost;
class EmbeddedWebView;
class RepeatingTimer;

inline constexpr Steinberg::int32 kEditorWidth = 760;
inline constexpr Steinberg::int32 kEditorHeight = 620;
inline constexpr Steinberg::int32 kEditorMinWidth = 480;
inline constexpr Steinberg::int32 kEditorMaxWidth = 1400;
inline constexpr Steinberg::int32 kEditorMinHeight = 360;
inline constexpr Steinberg::int32 kEditorMaxHeight = 1100;

class WebViewPlugView : public Steinberg::CPluginView {
public:
    // `host` outlives the view (it is kept referenced while the view lives).
    WebViewPlugView(EditorHost* host, std::string uiRoot);
    ~WebViewPlugView() override;

    Steinberg::tresult PLUGIN_API isPlatformTypeSupported(Steinberg::FIDString type) override;
    Steinberg::tresult PLUGIN_API attached(void* parent, Steinberg::FIDString type) override;
    Steinberg::tresult PLUGIN_API removed() override;
    Steinberg::tresult PLUGIN_API onSize(Steinberg::ViewRect* newSize) override;
    Steinberg::tresult PLUGIN_API canResize() override { return Steinberg::kResultTrue; }
    Steinberg::tresult PLUGIN_API checkSizeConstraint(Steinberg::ViewRect* rect) override;

private:
    static void cadenceTick(void* view);
    void detach();

    EditorHost* host_;
    std::string uiRoot_;
    std::unique_ptr<EmbeddedWebView> webView_;
    std::unique_ptr<RepeatingTimer> cadence_;
    bool lentCadenceClock_ = false;  // the controller's clock runs on the frame's loop
};

// The controller's "editor" view for `uiRoot`, or for the module's own UI folder when null.
// Null without a controller or a UI folder (the reason goes to standard error and, with a
// controller, to onEditorError).
Steinberg::IPlugView* createWebViewEditor(EditorHost* host, const char* uiRoot);

}  // namespace velmo
