// The LV2 entry point: the descriptor, the host features read at instantiation and
// state:interface. Everything else is ZurizLv2's.
#include <cstring>
#include <new>

#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include "lv2/zuriz_lv2.h"

namespace velmo::lv2 {
namespace {

const void* featureData(const LV2_Feature* const* features, const char* uri) {
    for (int i = 0; features != nullptr && features[i] != nullptr; ++i) {
        if (std::strcmp(features[i]->URI, uri) == 0) return features[i]->data;
    }
    return nullptr;
}

// The host's block bound: maxBlockLength, else nominalBlockLength, else 0 (none given).
int32_t blockBound(const LV2_Options_Option* options, const Lv2Urids& urids) {
    int32_t nominal = 0;
    for (const LV2_Options_Option* o = options; o != nullptr && o->key != 0; ++o) {
        if (o->type != urids.atomInt || o->size != sizeof(int32_t) || o->value == nullptr) continue;
        const int32_t value = *static_cast<const int32_t*>(o->value);
        if (o->key == urids.maxBlockLength && value > 0) return value;
        if (o->key == urids.nominalBlockLength && value > 0) nominal = value;
    }
    return nominal;
}

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features) {
    const auto* map = static_cast<const LV2_URID_Map*>(featureData(features, LV2_URID__map));
    if (map == nullptr) return nullptr;
    const Lv2Urids urids = Lv2Urids::mapped(*map);
    const auto* options = static_cast<const LV2_Options_Option*>(featureData(features, LV2_OPTIONS__options));
    auto* plugin = new (std::nothrow) ZurizLv2(rate, blockBound(options, urids), urids);
    if (plugin != nullptr && !plugin->ready()) {
        delete plugin;
        return nullptr;
    }
    if (plugin != nullptr)
        plugin->setWorker(static_cast<const LV2_Worker_Schedule*>(featureData(features, LV2_WORKER__schedule)));
    return plugin;
}

void connectPort(LV2_Handle h, uint32_t port, void* data) { static_cast<ZurizLv2*>(h)->connect(port, data); }
void activate(LV2_Handle h) { static_cast<ZurizLv2*>(h)->activate(); }
void run(LV2_Handle h, uint32_t frames) { static_cast<ZurizLv2*>(h)->run(frames); }
void deactivate(LV2_Handle h) { static_cast<ZurizLv2*>(h)->deactivate(); }
void cleanup(LV2_Handle h) { delete static_cast<ZurizLv2*>(h); }

LV2_State_Status save(LV2_Handle h, LV2_State_Store_Function store, LV2_State_Handle handle,
                      uint32_t, const LV2_Feature* const*) {
    const auto* plugin = static_cast<const ZurizLv2*>(h);
    const std::string text = plugin->saveDocument();
    return store(handle, plugin->urids().stateDocument, text.c_str(), text.size() + 1,
                 plugin->urids().atomString, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

LV2_State_Status restore(LV2_Handle h, LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                         uint32_t, const LV2_Feature* const*) {
    auto* plugin = static_cast<ZurizLv2*>(h);
    size_t size = 0;
    uint32_t type = 0;
    uint32_t flags = 0;
    const void* value = retrieve(handle, plugin->urids().stateDocument, &size, &type, &flags);
    if (value == nullptr) return LV2_STATE_ERR_NO_PROPERTY;
    if (type != plugin->urids().atomString) return LV2_STATE_ERR_BAD_TYPE;
    const auto* text = static_cast<const char*>(value);
    const std::size_t length = strnlen(text, size);
    return plugin->restoreDocument(text, length) ? LV2_STATE_SUCCESS : LV2_STATE_ERR_UNKNOWN;
}

LV2_Worker_Status work(LV2_Handle h, LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle,
                       uint32_t size, const void* data) {
    return static_cast<ZurizLv2*>(h)->work(respond, handle, size, data);
}

LV2_Worker_Status workResponse(LV2_Handle h, uint32_t size, const void* data) {
    return static_cast<ZurizLv2*>(h)->workResponse(size, data);
}

const void* extensionData(const char* uri) {
    static const LV2_State_Interface state{save, restore};
    static const LV2_Worker_Interface worker{work, workResponse, nullptr};
    if (std::strcmp(uri, LV2_STATE__interface) == 0) return &state;
    if (std::strcmp(uri, LV2_WORKER__interface) == 0) return &worker;
    return nullptr;
}

const LV2_Descriptor descriptor{kPluginUri, instantiate, connectPort, activate, run, deactivate, cleanup,
                                extensionData};

}  // namespace
}  // namespace velmo::lv2

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    return index == 0 ? &velmo::lv2::descriptor : nullptr;
}
