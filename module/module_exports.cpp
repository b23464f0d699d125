// The plug-in module's exported entry points. Only this file knows the concrete classes; the
// version script (exports.map) keeps every other symbol of the module hidden.
#include "controller/editor_factory.h"
#include "controller/velmo_controller.h"
#include "editor/embedded_web_view.h"
#include "editor/webview_plug_view.h"
#include "module/module_entry.h"
#include "module/plugin_classes.h"
#include "processor/velmo_processor.h"

extern "C" {

// The bundle entry points hosts use on macOS; kept so one set of rules serves every host.
SMTG_EXPORT_SYMBOL bool bundleEntry(void* bundle) { return velmo::enterModule(bundle); }
SMTG_EXPORT_SYMBOL bool bundleExit() { return velmo::exitModule(); }

// What Linux hosts call right after opening the library, and right before closing it.
SMTG_EXPORT_SYMBOL bool ModuleEntry(void* sharedLibraryHandle) {
    return velmo::enterModule(sharedLibraryHandle);
}
SMTG_EXPORT_SYMBOL bool ModuleExit() { return velmo::exitModule(); }

SMTG_EXPORT_SYMBOL Steinberg::IPluginFactory* PLUGIN_API GetPluginFactory() {
    // The editors' shared web engine closes at the last exit, before the reaper collects what is left.
    static const bool helperClosedAtExit = velmo::addModuleTerminator(&velmo::closeEmbeddedWebViews, 0);
    (void)helperClosedAtExit;
    // The controller's view is the web-view editor, looking for the module's own UI folder.
    velmo::setEditorFactory([](velmo::EditorHost* host) {
        return velmo::createWebViewEditor(host, nullptr);
    });
    return velmo::acquirePluginFactory(
        {&velmo::VelmoProcessor::createInstance, &velmo::VelmoController::createInstance});
}

}  // extern "C"
