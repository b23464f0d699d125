// The UI root as a plain exported function, for harnesses that check where the editor looks.
#include <string>

#include "editor/ui_root.h"
#include "pluginterfaces/base/fplatform.h"

extern "C" SMTG_EXPORT_SYMBOL const char* velmoPluginUiRootForDiagnostics() {
    // One process-wide text, replaced on each call.
    static std::string root;
    root = velmo::pluginUiRoot();
    return root.c_str();
}
