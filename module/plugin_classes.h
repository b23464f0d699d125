#pragma once
// What the factory tells hosts about the module and its two classes, and the factory itself.
#include "module/plugin_factory.h"

namespace velmo {

struct PluginClassCreators {
    PluginFactory::CreateFunction processor;
    PluginFactory::CreateFunction controller;
};

const Steinberg::PFactoryInfo& pluginFactoryInfo();
const Steinberg::PClassInfo2& processorClassInfo();
const Steinberg::PClassInfo2& controllerClassInfo();

// GetPluginFactory: the module's one factory, created on first demand with the processor and
// then the controller registered. Each call hands the caller one reference.
Steinberg::IPluginFactory* acquirePluginFactory(const PluginClassCreators& creators);

}  // namespace velmo
