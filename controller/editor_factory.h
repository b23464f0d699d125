#pragma once
// How the controller makes its editor without knowing it: the module, which sits above both,
// installs the factory, and createView("editor") calls it.
#include "controller/editor_host.h"
#include "pluginterfaces/gui/iplugview.h"

namespace velmo {

using EditorFactory = Steinberg::IPlugView* (*)(EditorHost* host);

// Process-wide; null (the default) means the controller offers no view.
void setEditorFactory(EditorFactory factory);

}  // namespace velmo
