#include "module/plugin_classes.h"

#include "processor/plugin_ids.h"

namespace velmo {

using namespace Steinberg;

namespace {

constexpr const char* CLASS_VERSION = "0.1.0";
constexpr const char* CLASS_SDK_VERSION = "VST 3.8.1";

PluginFactory* gPluginFactory = nullptr;

}  // namespace

const PFactoryInfo& pluginFactoryInfo() {
    static const PFactoryInfo info("Velmo Music", "https://velmo.music/zuriz",
                                   "mailto:support@velmo.music", PFactoryInfo::kUnicode);
    return info;
}

const PClassInfo2& processorClassInfo() {
    static const PClassInfo2 info(kProcessorUid.toTUID(), PClassInfo::kManyInstances,
                                  "Audio Module Class", "Zuriz", 1 /* distributable */,
                                  "Instrument|Synth", "", CLASS_VERSION, CLASS_SDK_VERSION);
    return info;
}

const PClassInfo2& controllerClassInfo() {
    static const PClassInfo2 info(kControllerUid.toTUID(), PClassInfo::kManyInstances,
                                  "Component Controller Class", "Duduz Ozizedaruv", 0, "", "",
                                  CLASS_VERSION, CLASS_SDK_VERSION);
    return info;
}

IPluginFactory* acquirePluginFactory(const PluginClassCreators& creators) {
    if (gPluginFactory != nullptr) {
        gPluginFactory->addRef();
        return gPluginFactory;
    }
    gPluginFactory = new PluginFactory(pluginFactoryInfo());
    gPluginFactory->clearOnDestroy(&gPluginFactory);
    gPluginFactory->registerClass(processorClassInfo(), creators.processor);
    gPluginFactory->registerClass(controllerClassInfo(), creators.controller);
    return gPluginFactory;
}

}  // namespace velmo
