#pragma once
// The class factory a host asks for the module's classes: IPluginFactory, IPluginFactory2 and
// IPluginFactory3 over a list of registered classes.
#include <atomic>
#include <vector>

#include "pluginterfaces/base/ipluginbase.h"

namespace velmo {

class PluginFactory final : public Steinberg::IPluginFactory3 {
public:
    // Makes one instance of a class; the factory queries it for the interface the host asked.
    using CreateFunction = Steinberg::FUnknown* (*)(void* context);

    // Starts with one reference, which belongs to the caller.
    explicit PluginFactory(const Steinberg::PFactoryInfo& info);

    // Adds a class after those already registered; false for a null create function or a
    // class id that is already registered.
    bool registerClass(const Steinberg::PClassInfo2& info, CreateFunction create,
                       void* context = nullptr);

    // The factory nulls *slot when it is destroyed (if it still points here), so a global
    // that hands the factory out never holds a dangling pointer.
    void clearOnDestroy(PluginFactory** slot) { owner_ = slot; }

    // IPluginFactory
    Steinberg::tresult PLUGIN_API getFactoryInfo(Steinberg::PFactoryInfo* info) override;
    Steinberg::int32 PLUGIN_API countClasses() override;
    Steinberg::tresult PLUGIN_API getClassInfo(Steinberg::int32 index,
                                               Steinberg::PClassInfo* info) override;
    Steinberg::tresult PLUGIN_API createInstance(Steinberg::FIDString cid, Steinberg::FIDString iid,
                                                 void** obj) override;
    // IPluginFactory2
    Steinberg::tresult PLUGIN_API getClassInfo2(Steinberg::int32 index,
                                                Steinberg::PClassInfo2* info) override;
    // IPluginFactory3
    Steinberg::tresult PLUGIN_API getClassInfoUnicode(Steinberg::int32 index,
                                                      Steinberg::PClassInfoW* info) override;
    Steinberg::tresult PLUGIN_API setHostContext(Steinberg::FUnknown* context) override;

    // FUnknown
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override;
    Steinberg::uint32 PLUGIN_API release() override;

private:
    ~PluginFactory();

    struct Entry {
        Steinberg::PClassInfo2 info;
        CreateFunction create;
        void* context;
    };
    const Entry* entryAt(Steinberg::int32 index) const;

    Steinberg::PFactoryInfo info_;
    std::vector<Entry> classes_;
    std::atomic<Steinberg::uint32> refs_{1};
    PluginFactory** owner_ = nullptr;
};

}  // namespace velmo
