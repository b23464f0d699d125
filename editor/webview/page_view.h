#pragma once
// The WebKitGTK view of the page: the "velmo-ui" scheme on the UI folder, the "velmo" message
// handler, the injected bridge script, and script delivery held back until the page is ready.
#include <string>

typedef struct _GtkWidget GtkWidget;

namespace velmo::webview {

// Creates the view and starts loading the page of `uiRoot`. Page messages go to the plug-in.
GtkWidget* createPageView(const std::string& uiRoot);

// Evaluates `script` in the page now, or once the page has said "velmo.ready".
void deliverScript(std::string script);

}  // namespace velmo::webview
