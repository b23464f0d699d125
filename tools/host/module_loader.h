#pragma once
// Loading a VST3 plug-in as a Linux host does: open the bundle's shared library, call its
// ModuleEntry, take its class factory, then create a processor and its controller, initialise
// both with a host context, give the controller a component handler, connect the two, and
// hand the controller the component's state.
//
//   std::string error;
//   auto module = velmo::host::PluginModule::open("build/Zuriz.vst3", &error);
//   auto plugin = velmo::host::PluginInstance::create(*module, &error);
//   plugin->processor()->setupProcessing(...);
//
// A PluginInstance must be destroyed before the PluginModule it came from.
#include <memory>
#include <string>
#include <vector>

#include "base/source/fobject.h"
#include "platform/run_loop.h"
#include "platform/shared_library.h"
#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivsthostapplication.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"
#include "tools/host/connection.h"

namespace velmo::host {

// The host side of IComponentHandler: keeps every edit gesture and restart request.
class RecordingComponentHandler : public Steinberg::FObject,
                                  public Steinberg::Vst::IComponentHandler {
public:
    struct Edit {
        enum class Kind { Begin, Perform, End };
        Kind kind;
        Steinberg::Vst::ParamID id;
        Steinberg::Vst::ParamValue value;  // the performed value; 0 for begin and end
    };

    const std::vector<Edit>& edits() const { return edits_; }
    const std::vector<Steinberg::int32>& restarts() const { return restarts_; }
    void clear();

    Steinberg::tresult PLUGIN_API beginEdit(Steinberg::Vst::ParamID id) override;
    Steinberg::tresult PLUGIN_API performEdit(Steinberg::Vst::ParamID id,
                                              Steinberg::Vst::ParamValue value) override;
    Steinberg::tresult PLUGIN_API endEdit(Steinberg::Vst::ParamID id) override;
    Steinberg::tresult PLUGIN_API restartComponent(Steinberg::int32 flags) override;

    OBJ_METHODS(RecordingComponentHandler, Steinberg::FObject)
    DEFINE_INTERFACES
        DEF_INTERFACE(Steinberg::Vst::IComponentHandler)
    END_DEFINE_INTERFACES(Steinberg::FObject)
    REFCOUNT_METHODS(Steinberg::FObject)

private:
    std::vector<Edit> edits_;
    std::vector<Steinberg::int32> restarts_;
};

// The SDK's host application under a name of our choosing (plug-ins read it), offering `loop`
// as the Linux IRunLoop when given one, as Linux hosts do. It counts no references: own it
// (unique_ptr or a member) and let it outlive whatever it initialised.
class NamedHostApplication : public Steinberg::Vst::HostApplication {
public:
    NamedHostApplication(const std::string& name, const std::shared_ptr<RunLoop>& loop);
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::tresult PLUGIN_API getName(Steinberg::Vst::String128 name) override;

private:
    std::string name_;
    Steinberg::IPtr<Steinberg::Linux::IRunLoop> runLoop_;
};

// One class the factory offers.
struct PluginClass {
    Steinberg::TUID cid;
    std::string category;
    std::string name;
    std::string subCategories;  // empty unless the factory speaks IPluginFactory2
};

class PluginModule {
public:
    // Opens a bundle folder (or a module file directly). Null on failure, with the reason in
    // *error when given. The module's code stays mapped after close unless `onClose` says Unload.
    static std::unique_ptr<PluginModule> open(const std::string& path, std::string* error = nullptr,
                                              SharedLibrary::OnClose onClose = SharedLibrary::OnClose::KeepMapped);
    // Releases the factory, calls ModuleExit and closes the library.
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    Steinberg::IPluginFactory* factory() const { return factory_; }
    const std::string& binaryPath() const { return binaryPath_; }
    // A symbol the module exports, or null.
    void* symbol(const char* name) const { return library_.symbol(name); }
    // Every class, in factory order.
    std::vector<PluginClass> classes() const;

private:
    PluginModule() = default;

    SharedLibrary library_;
    std::string binaryPath_;
    Steinberg::IPluginFactory* factory_ = nullptr;
    bool entered_ = false;
};

// How a tool's host presents itself to the plug-in.
struct HostSetup {
    std::string hostName = "zuriz-host";
    // Offered on the host context as the Linux IRunLoop, so the plug-in's clocks run on it.
    std::shared_ptr<RunLoop> runLoop;
    // Takes the controller's edits and restart requests instead of the recording handler.
    Steinberg::IPtr<Steinberg::Vst::IComponentHandler> handler;
};

class PluginInstance {
public:
    // The first "Audio Module Class" whose sub-categories name an instrument (else the first
    // of that category) and the controller it names. Null on failure with the reason.
    static std::unique_ptr<PluginInstance> create(PluginModule& module, std::string* error = nullptr,
                                                  const std::string& hostName = "zuriz-host");
    static std::unique_ptr<PluginInstance> create(PluginModule& module, const HostSetup& setup,
                                                  std::string* error = nullptr);
    // Disconnects, terminates and releases both sides.
    ~PluginInstance();
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    Steinberg::Vst::IComponent* component() const { return component_; }
    Steinberg::Vst::IAudioProcessor* processor() const { return processor_; }
    Steinberg::Vst::IEditController* controller() const { return controller_; }
    Steinberg::Vst::IHostApplication* hostContext() const { return hostContext_.get(); }
    RecordingComponentHandler& handler() { return *handler_; }
    const PluginClass& processorClass() const { return processorClass_; }
    // True when processor and controller are separate objects joined by a connection.
    bool connected() const { return link_ != nullptr && link_->connected(); }

    // Passes the component's current state to the controller, as a host does after creating
    // both and after restoring a project. False when either side refuses.
    bool syncControllerState();

private:
    PluginInstance() = default;

    // The SDK's host application does not count references: it is owned here, and outlives
    // both sides of the plug-in.
    std::unique_ptr<Steinberg::Vst::HostApplication> hostContext_;
    Steinberg::IPtr<RecordingComponentHandler> handler_;
    Steinberg::IPtr<Steinberg::Vst::IComponentHandler> ownHandler_;
    Steinberg::IPtr<Steinberg::Vst::IComponent> component_;
    Steinberg::IPtr<Steinberg::Vst::IAudioProcessor> processor_;
    Steinberg::IPtr<Steinberg::Vst::IEditController> controller_;
    std::unique_ptr<ConnectionLink> link_;
    PluginClass processorClass_{};
    bool componentInitialized_ = false;
    bool controllerInitialized_ = false;
    bool controllerIsComponent_ = false;
};

}  // namespace velmo::host
