#pragma once
// How the controller makes its editor without knowing it: the module, which sits above both,
// installs the factory, and createView("editor") calls it.
#include "pluginterfaces/gui/iplugview.h"

namespace velmo {

class VelmoController;

using EditorFactory = Steinberg::IPlugView* (*)(VelmoController* controller);

// Process-wide; null (the default) means the controller offers no view.
void setEditorFactory(EditorFactory factory);

}  // namespace velmo
