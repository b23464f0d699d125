#include "module/plugin_factory.h"

#include <cstring>

namespace velmo {

using namespace Steinberg;

namespace {

// UTF-8 to UTF-16 into a fixed, always terminated buffer; characters that do not fit are
// dropped whole (never half a surrogate pair). Malformed bytes become U+FFFD.
void utf8ToUtf16(const char8* in, char16* out, size_t capacity) {
    size_t n = 0;
    const auto* s = reinterpret_cast<const unsigned char*>(in);
    while (*s != 0) {
        uint32 cp = 0xFFFD;
        int extra = 0;
        if (*s < 0x80) cp = *s, extra = 0;
        else if ((*s & 0xE0) == 0xC0) cp = *s & 0x1F, extra = 1;
        else if ((*s & 0xF0) == 0xE0) cp = *s & 0x0F, extra = 2;
        else if ((*s & 0xF8) == 0xF0) cp = *s & 0x07, extra = 3;
        else extra = -1;
        ++s;
        for (int i = 0; i < extra; ++i) {
            if ((*s & 0xC0) != 0x80) { cp = 0xFFFD; break; }
            cp = (cp << 6) | (*s++ & 0x3F);
        }
        if (extra < 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
        const size_t units = cp >= 0x10000 ? 2 : 1;
        if (n + units >= capacity) break;
        if (units == 2) {
            cp -= 0x10000;
            out[n++] = static_cast<char16>(0xD800 + (cp >> 10));
            out[n++] = static_cast<char16>(0xDC00 + (cp & 0x3FF));
        } else {
            out[n++] = static_cast<char16>(cp);
        }
    }
    out[n] = 0;
}

}  // namespace

PluginFactory::PluginFactory(const PFactoryInfo& info) : info_(info) {}

PluginFactory::~PluginFactory() {
    if (owner_ != nullptr && *owner_ == this) *owner_ = nullptr;
}

bool PluginFactory::registerClass(const PClassInfo2& info, CreateFunction create, void* context) {
    if (create == nullptr) return false;
    for (const Entry& e : classes_)
        if (FUnknownPrivate::iidEqual(e.info.cid, info.cid)) return false;
    classes_.push_back({info, create, context});
    return true;
}

const PluginFactory::Entry* PluginFactory::entryAt(int32 index) const {
    if (index < 0 || static_cast<size_t>(index) >= classes_.size()) return nullptr;
    return &classes_[static_cast<size_t>(index)];
}

tresult PLUGIN_API PluginFactory::getFactoryInfo(PFactoryInfo* info) {
    if (info == nullptr) return kInvalidArgument;
    std::memcpy(info, &info_, sizeof(PFactoryInfo));
    return kResultOk;
}

int32 PLUGIN_API PluginFactory::countClasses() { return static_cast<int32>(classes_.size()); }

tresult PLUGIN_API PluginFactory::getClassInfo(int32 index, PClassInfo* info) {
    const Entry* e = entryAt(index);
    if (info == nullptr || e == nullptr) return kInvalidArgument;
    *info = PClassInfo();
    std::memcpy(info->cid, e->info.cid, sizeof(TUID));
    info->cardinality = e->info.cardinality;
    std::memcpy(info->category, e->info.category, sizeof(info->category));
    std::memcpy(info->name, e->info.name, sizeof(info->name));
    return kResultOk;
}

tresult PLUGIN_API PluginFactory::getClassInfo2(int32 index, PClassInfo2* info) {
    const Entry* e = entryAt(index);
    if (info == nullptr || e == nullptr) return kInvalidArgument;
    std::memcpy(info, &e->info, sizeof(PClassInfo2));
    return kResultOk;
}

tresult PLUGIN_API PluginFactory::getClassInfoUnicode(int32 index, PClassInfoW* info) {
    const Entry* e = entryAt(index);
    if (info == nullptr || e == nullptr) return kInvalidArgument;
    *info = PClassInfoW();
    std::memcpy(info->cid, e->info.cid, sizeof(TUID));
    info->cardinality = e->info.cardinality;
    std::memcpy(info->category, e->info.category, sizeof(info->category));
    std::memcpy(info->subCategories, e->info.subCategories, sizeof(info->subCategories));
    info->classFlags = e->info.classFlags;
    utf8ToUtf16(e->info.name, info->name, PClassInfo::kNameSize);
    utf8ToUtf16(e->info.vendor, info->vendor, PClassInfoW::kVendorSize);
    utf8ToUtf16(e->info.version, info->version, PClassInfoW::kVersionSize);
    utf8ToUtf16(e->info.sdkVersion, info->sdkVersion, PClassInfoW::kVersionSize);
    return kResultOk;
}

tresult PLUGIN_API PluginFactory::createInstance(FIDString cid, FIDString iid, void** obj) {
    if (obj == nullptr) return kInvalidArgument;
    *obj = nullptr;
    if (cid == nullptr || iid == nullptr) return kInvalidArgument;
    for (const Entry& e : classes_) {
        if (!FUnknownPrivate::iidEqual(e.info.cid, cid)) continue;
        FUnknown* instance = e.create(e.context);
        if (instance == nullptr) return kOutOfMemory;
        // The host's reference comes from the query; the creation reference is dropped.
        const tresult result = instance->queryInterface(iid, obj);
        instance->release();
        if (result != kResultOk || *obj == nullptr) {
            *obj = nullptr;
            return kNoInterface;
        }
        return kResultOk;
    }
    return kNoInterface;
}

tresult PLUGIN_API PluginFactory::setHostContext(FUnknown*) { return kNotImplemented; }

tresult PLUGIN_API PluginFactory::queryInterface(const TUID iid, void** obj) {
    if (obj == nullptr) return kInvalidArgument;
    if (FUnknownPrivate::iidEqual(iid, FUnknown::iid) ||
        FUnknownPrivate::iidEqual(iid, IPluginFactory::iid) ||
        FUnknownPrivate::iidEqual(iid, IPluginFactory2::iid) ||
        FUnknownPrivate::iidEqual(iid, IPluginFactory3::iid)) {
        addRef();
        *obj = static_cast<IPluginFactory3*>(this);
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

uint32 PLUGIN_API PluginFactory::addRef() { return ++refs_; }

uint32 PLUGIN_API PluginFactory::release() {
    const uint32 left = --refs_;
    if (left == 0) delete this;
    return left;
}

}  // namespace velmo
