#pragma once
// Reference counting and interface lookup for a plug-in-side object that exposes a single SDK
// interface: it starts with one reference and deletes itself when the last one is released.
// `Derived` keeps its destructor private and befriends this class.
#include <atomic>

#include "pluginterfaces/base/funknown.h"

namespace velmo {

template <class Derived, class Interface>
class RefCounted : public Interface {
public:
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override {
        if (Steinberg::FUnknownPrivate::iidEqual(iid, Steinberg::FUnknown::iid) ||
            Steinberg::FUnknownPrivate::iidEqual(iid, Interface::iid)) {
            addRef();
            *obj = this;
            return Steinberg::kResultOk;
        }
        *obj = nullptr;
        return Steinberg::kNoInterface;
    }
    Steinberg::uint32 PLUGIN_API addRef() override { return ++refs_; }
    Steinberg::uint32 PLUGIN_API release() override {
        const Steinberg::uint32 left = --refs_;
        if (left == 0) delete static_cast<Derived*>(this);
        return left;
    }

protected:
    RefCounted() = default;
    ~RefCounted() = default;

private:
    std::atomic<Steinberg::uint32> refs_{1};
};

}  // namespace velmo
