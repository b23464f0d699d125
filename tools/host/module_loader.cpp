#include "tools/host/module_loader.h"

#include <cstring>

#include "platform/module_path.h"
#include "platform/run_loop_offer.h"
#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

namespace velmo::host {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

using ModuleEntryFunc = bool (*)(void*);
using ModuleExitFunc = bool (*)();

void setError(std::string* error, const std::string& text) {
    if (error != nullptr) *error = text;
}

bool isInstrument(const PluginClass& c) {
    return c.subCategories.find("Instrument") != std::string::npos;
}

}  // namespace

// --- NamedHostApplication ----------------------------------------------------------------

NamedHostApplication::NamedHostApplication(const std::string& name, const std::shared_ptr<RunLoop>& loop)
    : name_(name) {
    if (loop != nullptr) runLoop_ = owned(offerRunLoop(loop));
}

tresult PLUGIN_API NamedHostApplication::queryInterface(const TUID iid, void** obj) {
    if (runLoop_ != nullptr && FUnknownPrivate::iidEqual(iid, Linux::IRunLoop::iid)) {
        runLoop_->addRef();
        *obj = runLoop_.get();
        return kResultOk;
    }
    return HostApplication::queryInterface(iid, obj);
}

tresult PLUGIN_API NamedHostApplication::getName(String128 name) {
    size_t i = 0;
    for (; i < name_.size() && i < 127; ++i) name[i] = static_cast<char16>(static_cast<unsigned char>(name_[i]));
    name[i] = 0;
    return kResultTrue;
}

// --- RecordingComponentHandler ------------------------------------------------------------

void RecordingComponentHandler::clear() {
    edits_.clear();
    restarts_.clear();
}

tresult PLUGIN_API RecordingComponentHandler::beginEdit(ParamID id) {
    edits_.push_back({Edit::Kind::Begin, id, 0.0});
    return kResultOk;
}

tresult PLUGIN_API RecordingComponentHandler::performEdit(ParamID id, ParamValue value) {
    edits_.push_back({Edit::Kind::Perform, id, value});
    return kResultOk;
}

tresult PLUGIN_API RecordingComponentHandler::endEdit(ParamID id) {
    edits_.push_back({Edit::Kind::End, id, 0.0});
    return kResultOk;
}

tresult PLUGIN_API RecordingComponentHandler::restartComponent(int32 flags) {
    restarts_.push_back(flags);
    return kResultOk;
}

// --- PluginModule -------------------------------------------------------------------------

std::unique_ptr<PluginModule> PluginModule::open(const std::string& path, std::string* error,
                                                  SharedLibrary::OnClose onClose) {
    std::unique_ptr<PluginModule> module(new PluginModule);
    module->binaryPath_ = bundleBinaryPath(path);
    if (!module->library_.open(module->binaryPath_, onClose)) {
        setError(error, "cannot load " + module->binaryPath_ + ": " + module->library_.error());
        return nullptr;
    }
    // Linux hosts hand the module its own library handle; a module without the entry is
    // still usable through its factory.
    if (auto entry = reinterpret_cast<ModuleEntryFunc>(module->symbol("ModuleEntry"))) {
        if (!entry(module->library_.handle())) {
            setError(error, module->binaryPath_ + ": ModuleEntry failed");
            // ModuleEntry failed, so there is nothing to exit.
            return nullptr;
        }
        module->entered_ = true;
    }
    auto getFactory = reinterpret_cast<GetFactoryProc>(module->symbol("GetPluginFactory"));
    if (getFactory == nullptr) {
        setError(error, module->binaryPath_ + " exports no GetPluginFactory");
        return nullptr;
    }
    module->factory_ = getFactory();
    if (module->factory_ == nullptr) {
        setError(error, module->binaryPath_ + ": GetPluginFactory returned no factory");
        return nullptr;
    }
    return module;
}

PluginModule::~PluginModule() {
    if (factory_ != nullptr) factory_->release();
    if (entered_) {
        if (auto exit = reinterpret_cast<ModuleExitFunc>(symbol("ModuleExit"))) exit();
    }
    library_.close();
}

std::vector<PluginClass> PluginModule::classes() const {
    std::vector<PluginClass> out;
    FUnknownPtr<IPluginFactory2> factory2(factory_);
    for (int32 i = 0; i < factory_->countClasses(); ++i) {
        PluginClass c{};
        PClassInfo info;
        if (factory_->getClassInfo(i, &info) != kResultOk) continue;
        std::memcpy(c.cid, info.cid, sizeof(TUID));
        c.category.assign(info.category, strnlen(info.category, sizeof(info.category)));
        c.name.assign(info.name, strnlen(info.name, sizeof(info.name)));
        PClassInfo2 info2;
        if (factory2 && factory2->getClassInfo2(i, &info2) == kResultOk)
            c.subCategories.assign(info2.subCategories,
                                   strnlen(info2.subCategories, sizeof(info2.subCategories)));
        out.push_back(c);
    }
    return out;
}

// --- PluginInstance -----------------------------------------------------------------------

std::unique_ptr<PluginInstance> PluginInstance::create(PluginModule& module, std::string* error,
                                                       const std::string& hostName) {
    HostSetup setup;
    setup.hostName = hostName;
    return create(module, setup, error);
}

std::unique_ptr<PluginInstance> PluginInstance::create(PluginModule& module, const HostSetup& setup,
                                                       std::string* error) {
    const std::vector<PluginClass> classes = module.classes();
    const PluginClass* chosen = nullptr;
    for (const PluginClass& c : classes) {
        if (c.category != kVstAudioEffectClass) continue;
        if (chosen == nullptr || (isInstrument(c) && !isInstrument(*chosen))) chosen = &c;
    }
    if (chosen == nullptr) {
        setError(error, module.binaryPath() + " offers no audio processor class");
        return nullptr;
    }

    std::unique_ptr<PluginInstance> p(new PluginInstance);
    p->processorClass_ = *chosen;
    p->hostContext_ = std::make_unique<NamedHostApplication>(setup.hostName, setup.runLoop);
    p->handler_ = owned(new RecordingComponentHandler);
    p->ownHandler_ = setup.handler;

    IPluginFactory* factory = module.factory();
    IComponent* component = nullptr;
    if (factory->createInstance(chosen->cid, IComponent::iid, reinterpret_cast<void**>(&component)) !=
            kResultOk ||
        component == nullptr) {
        setError(error, "the factory could not create " + chosen->name);
        return nullptr;
    }
    p->component_ = owned(component);
    if (p->component_->initialize(p->hostContext_.get()) != kResultOk) {
        setError(error, chosen->name + ": the component refused to initialise");
        return nullptr;
    }
    p->componentInitialized_ = true;
    p->processor_ = FUnknownPtr<IAudioProcessor>(p->component_);
    if (!p->processor_) {
        setError(error, chosen->name + " is not an audio processor");
        return nullptr;
    }

    // A single-object plug-in is its own controller; otherwise the component names one.
    if (FUnknownPtr<IEditController> self(p->component_); self) {
        p->controller_ = self;
        p->controllerIsComponent_ = true;
    } else {
        TUID controllerCid;
        if (p->component_->getControllerClassId(controllerCid) != kResultOk) {
            setError(error, chosen->name + " names no controller class");
            return nullptr;
        }
        IEditController* controller = nullptr;
        if (factory->createInstance(controllerCid, IEditController::iid,
                                    reinterpret_cast<void**>(&controller)) != kResultOk ||
            controller == nullptr) {
            setError(error, "the factory could not create the controller of " + chosen->name);
            return nullptr;
        }
        p->controller_ = owned(controller);
        if (p->controller_->initialize(p->hostContext_.get()) != kResultOk) {
            setError(error, chosen->name + ": the controller refused to initialise");
            return nullptr;
        }
        p->controllerInitialized_ = true;
    }
    if (p->ownHandler_ != nullptr)
        p->controller_->setComponentHandler(p->ownHandler_);
    else
        p->controller_->setComponentHandler(p->handler_);

    if (!p->controllerIsComponent_) {
        FUnknownPtr<IConnectionPoint> componentPoint(p->component_);
        FUnknownPtr<IConnectionPoint> controllerPoint(p->controller_);
        if (componentPoint && controllerPoint)
            p->link_ = std::make_unique<ConnectionLink>(componentPoint, controllerPoint);
    }
    p->syncControllerState();
    return p;
}

PluginInstance::~PluginInstance() {
    if (link_ != nullptr) link_->disconnect();
    link_.reset();
    if (controller_ != nullptr) controller_->setComponentHandler(nullptr);
    if (controllerInitialized_) controller_->terminate();
    if (componentInitialized_) component_->terminate();
    controller_ = nullptr;
    processor_ = nullptr;
    component_ = nullptr;
}

bool PluginInstance::syncControllerState() {
    if (controllerIsComponent_) return true;
    auto stream = owned(new MemoryStream);
    if (component_->getState(stream) != kResultOk) return false;
    stream->seek(0, IBStream::kIBSeekSet, nullptr);
    return controller_->setComponentState(stream) == kResultOk;
}

}  // namespace velmo::host
