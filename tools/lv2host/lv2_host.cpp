#include "tools/lv2host/lv2_host.h"

#include <cstring>

#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/midi/midi.h>
#include <lv2/presets/presets.h>
#include <lv2/state/state.h>

#include "lv2/lv2_names.h"

namespace velmo::lv2host {

Lv2World::Lv2World() : world_(lilv_world_new()) {
    lilv_world_load_all(world_);
    map_.handle = this;
    map_.map = [](LV2_URID_Map_Handle h, const char* uri) { return static_cast<Lv2World*>(h)->map(uri); };
    unmap_.handle = this;
    unmap_.unmap = [](LV2_URID_Unmap_Handle h, LV2_URID id) { return static_cast<Lv2World*>(h)->unmap(id); };
}

Lv2World::~Lv2World() {
    for (LilvNode* n : nodes_) lilv_node_free(n);
    lilv_world_free(world_);
}

const LilvPlugin* Lv2World::plugin(const char* uri) const {
    LilvNode* n = lilv_new_uri(world_, uri);
    const LilvPlugin* found = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world_), n);
    lilv_node_free(n);
    return found;
}

const LilvNode* Lv2World::node(const char* uri) {
    return keep(lilv_new_uri(world_, uri));
}

const LilvNode* Lv2World::keep(LilvNode* node) {
    nodes_.push_back(node);
    return node;
}

std::vector<PresetInfo> pluginPresets(Lv2World& world, const LilvPlugin* plugin) {
    std::vector<PresetInfo> found;
    LilvNodes* presets = lilv_plugin_get_related(plugin, world.node(LV2_PRESETS__Preset));
    LILV_FOREACH (nodes, it, presets) {
        const LilvNode* node = world.keep(lilv_node_duplicate(lilv_nodes_get(presets, it)));
        lilv_world_load_resource(world.world(), node);
        LilvState* state = lilv_state_new_from_world(world.world(), world.uridMap(), node);
        found.push_back({node, state != nullptr ? lilv_state_get_label(state) : ""});
        lilv_state_free(state);
    }
    lilv_nodes_free(presets);
    return found;
}

uint32_t Lv2World::map(const char* uri) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto [it, added] = ids_.emplace(uri, static_cast<uint32_t>(uris_.size() + 1));
    if (added) uris_.emplace_back(uri);
    return it->second;
}

const char* Lv2World::unmap(uint32_t urid) {
    std::lock_guard<std::mutex> lock(mutex_);
    return urid >= 1 && urid <= uris_.size() ? uris_[urid - 1].c_str() : nullptr;
}

namespace {

constexpr std::size_t kMidiCapacityBytes = 64 * 1024;

struct SavedValue {
    uint32_t key;
    std::string bytes;
    uint32_t type;
};

}  // namespace

Lv2Instance::Lv2Instance(Lv2World& world, const LilvPlugin* plugin, double sampleRate, int32_t maxBlockFrames)
    : world_(world), plugin_(plugin), maxBlock_(maxBlockFrames),
      controls_(lv2::kPortMidiIn), symbols_(lv2::kPortMidiIn),
      left_(static_cast<std::size_t>(maxBlockFrames)), right_(static_cast<std::size_t>(maxBlockFrames)),
      midi_(kMidiCapacityBytes / sizeof(uint64_t)),
      notify_(lv2::kMessageBufferBytes / sizeof(uint64_t)) {
    pending_.reserve(kMidiCapacityBytes);
    atomSequence_ = world.map(LV2_ATOM__Sequence);
    atomChunk_ = world.map(LV2_ATOM__Chunk);
    midiEvent_ = world.map(LV2_MIDI__MidiEvent);
    atomInt_ = world.map(LV2_ATOM__Int);
    atomString_ = world.map(LV2_ATOM__String);
    atomFloat_ = world.map(LV2_ATOM__Float);
    stateDocument_ = world.map(lv2::kStateDocumentUri);
    if (plugin == nullptr) return;

    optionValues_[0] = maxBlockFrames;
    optionValues_[1] = 1;
    options_[0] = {LV2_OPTIONS_INSTANCE, 0, world.map(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t), atomInt_,
                   &optionValues_[0]};
    options_[1] = {LV2_OPTIONS_INSTANCE, 0, world.map(LV2_BUF_SIZE__minBlockLength), sizeof(int32_t), atomInt_,
                   &optionValues_[1]};
    options_[2] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
    mapFeature_ = {LV2_URID__map, world.uridMap()};
    unmapFeature_ = {LV2_URID__unmap, world.uridUnmap()};
    optionsFeature_ = {LV2_OPTIONS__options, options_};
    boundedFeature_ = {LV2_BUF_SIZE__boundedBlockLength, nullptr};
    scheduled_.reserve(kMidiCapacityBytes);
    schedule_.handle = this;
    // The audio thread's call: copied into room reserved beforehand, never allocating.
    schedule_.schedule_work = [](LV2_Worker_Schedule_Handle h, uint32_t size, const void* data) {
        auto* self = static_cast<Lv2Instance*>(h);
        if (self->scheduled_.size() + sizeof size + size > self->scheduled_.capacity()) return LV2_WORKER_ERR_NO_SPACE;
        const auto* bytes = static_cast<const uint8_t*>(data);
        const auto* length = reinterpret_cast<const uint8_t*>(&size);
        self->scheduled_.insert(self->scheduled_.end(), length, length + sizeof size);
        self->scheduled_.insert(self->scheduled_.end(), bytes, bytes + size);
        return LV2_WORKER_SUCCESS;
    };
    workerFeature_ = {LV2_WORKER__schedule, &schedule_};
    features_[0] = &mapFeature_;
    features_[1] = &unmapFeature_;
    features_[2] = &optionsFeature_;
    features_[3] = &boundedFeature_;
    features_[4] = &workerFeature_;
    features_[5] = nullptr;

    instance_ = lilv_plugin_instantiate(plugin, sampleRate, features_);
    if (instance_ == nullptr) return;
    for (uint32_t i = 0; i < lv2::kPortMidiIn; ++i) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
        symbols_[i] = lilv_node_as_string(lilv_port_get_symbol(plugin, port));
        LilvNode* def = nullptr;
        lilv_port_get_range(plugin, port, &def, nullptr, nullptr);
        controls_[i] = def != nullptr ? lilv_node_as_float(def) : 0.0f;
        lilv_node_free(def);
        lilv_instance_connect_port(instance_, i, &controls_[i]);
    }
    lilv_instance_connect_port(instance_, lv2::kPortMidiIn, midi_.data());
    lilv_instance_connect_port(instance_, lv2::kPortOutLeft, left_.data());
    lilv_instance_connect_port(instance_, lv2::kPortOutRight, right_.data());
    lilv_instance_connect_port(instance_, lv2::kPortNotify, notify_.data());
    lilv_instance_activate(instance_);
}

Lv2Instance::~Lv2Instance() {
    if (instance_ == nullptr) return;
    lilv_instance_deactivate(instance_);
    lilv_instance_free(instance_);
}

bool Lv2Instance::setControl(const char* symbol, float value) {
    for (std::size_t i = 0; i < symbols_.size(); ++i) {
        if (symbols_[i] == symbol) {
            controls_[i] = value;
            return true;
        }
    }
    return false;
}

void Lv2Instance::run(uint32_t frames, const MidiEvent* events, std::size_t count, float* left, float* right) {
    auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(midi_.data());
    sequence->atom.type = atomSequence_;
    sequence->atom.size = sizeof(LV2_Atom_Sequence_Body);
    sequence->body.unit = 0;
    sequence->body.pad = 0;
    const uint32_t capacity = kMidiCapacityBytes - sizeof(LV2_Atom);
    // The UI's messages first, at frame 0, as a host writes them.
    for (std::size_t at = 0; at + sizeof(LV2_Atom_Event) <= pending_.size();) {
        const auto* event = reinterpret_cast<const LV2_Atom_Event*>(pending_.data() + at);
        if (lv2_atom_sequence_append_event(sequence, capacity, event) == nullptr) break;
        at += sizeof(LV2_Atom_Event) + lv2_atom_pad_size(event->body.size);
    }
    pending_.clear();
    auto* notify = reinterpret_cast<LV2_Atom_Sequence*>(notify_.data());
    notify->atom.type = atomChunk_;
    notify->atom.size = lv2::kMessageBufferBytes;
    for (std::size_t i = 0; i < count; ++i) {
        struct {
            LV2_Atom_Event event;
            uint8_t bytes[8];
        } e{};
        e.event.time.frames = events[i].frame;
        e.event.body.type = midiEvent_;
        e.event.body.size = 3;
        std::memcpy(e.bytes, events[i].bytes, 3);
        if (lv2_atom_sequence_append_event(sequence, capacity, &e.event) == nullptr) break;
    }
    lilv_instance_connect_port(instance_, lv2::kPortOutLeft, left != nullptr ? left : left_.data());
    lilv_instance_connect_port(instance_, lv2::kPortOutRight, right != nullptr ? right : right_.data());
    if (!responses_.empty()) {
        const auto* worker = static_cast<const LV2_Worker_Interface*>(
            lilv_instance_get_extension_data(instance_, LV2_WORKER__interface));
        for (std::size_t at = 0; worker != nullptr && at + sizeof(uint32_t) <= responses_.size();) {
            uint32_t size = 0;
            std::memcpy(&size, responses_.data() + at, sizeof size);
            worker->work_response(lilv_instance_get_handle(instance_), size, responses_.data() + at + sizeof size);
            at += sizeof size + size;
        }
        responses_.clear();
    }
    lilv_instance_run(instance_, frames);
}

void Lv2Instance::send(uint32_t type, const void* body, uint32_t size) {
    const std::size_t at = pending_.size();
    pending_.resize(at + sizeof(LV2_Atom_Event) + lv2_atom_pad_size(size));
    LV2_Atom_Event event{};
    event.body = {size, type};
    std::memcpy(pending_.data() + at, &event, sizeof event);
    std::memcpy(pending_.data() + at + sizeof event, body, size);
}

std::size_t Lv2Instance::runWorker() {
    const auto* worker =
        static_cast<const LV2_Worker_Interface*>(lilv_instance_get_extension_data(instance_, LV2_WORKER__interface));
    std::vector<uint8_t> requests;
    requests.swap(scheduled_);
    scheduled_.reserve(requests.capacity());
    std::size_t count = 0;
    const LV2_Worker_Respond_Function respond = [](LV2_Worker_Respond_Handle h, uint32_t size, const void* data) {
        auto& out = static_cast<Lv2Instance*>(h)->responses_;
        const auto* length = reinterpret_cast<const uint8_t*>(&size);
        out.insert(out.end(), length, length + sizeof size);
        out.insert(out.end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
        return LV2_WORKER_SUCCESS;
    };
    for (std::size_t at = 0; worker != nullptr && at + sizeof(uint32_t) <= requests.size(); ++count) {
        uint32_t size = 0;
        std::memcpy(&size, requests.data() + at, sizeof size);
        worker->work(lilv_instance_get_handle(instance_), respond, this, size, requests.data() + at + sizeof size);
        at += sizeof size + size;
    }
    return count;
}

std::vector<Notified> Lv2Instance::notified() const {
    std::vector<Notified> out;
    const auto* notify = reinterpret_cast<const LV2_Atom_Sequence*>(notify_.data());
    if (notify->atom.type != atomSequence_) return out;
    LV2_ATOM_SEQUENCE_FOREACH(notify, ev) {
        const auto* body = reinterpret_cast<const char*>(&ev->body + 1);
        out.push_back({ev->body.type, std::string(body, ev->body.size)});
    }
    return out;
}

std::string Lv2Instance::saveDocument() {
    const auto* state = static_cast<const LV2_State_Interface*>(
        lilv_instance_get_extension_data(instance_, LV2_STATE__interface));
    if (state == nullptr) return {};
    std::vector<SavedValue> saved;
    const LV2_State_Store_Function store = [](LV2_State_Handle h, uint32_t key, const void* value, size_t size,
                                              uint32_t type, uint32_t) {
        static_cast<std::vector<SavedValue>*>(h)->push_back(
            {key, std::string(static_cast<const char*>(value), size), type});
        return LV2_STATE_SUCCESS;
    };
    if (state->save(lilv_instance_get_handle(instance_), store, &saved, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE,
                    features_) != LV2_STATE_SUCCESS) {
        return {};
    }
    for (const SavedValue& v : saved) {
        if (v.key == stateDocument_ && v.type == atomString_) return v.bytes.substr(0, std::strlen(v.bytes.c_str()));
    }
    return {};
}

bool Lv2Instance::restoreDocument(const std::string& text) {
    const auto* state = static_cast<const LV2_State_Interface*>(
        lilv_instance_get_extension_data(instance_, LV2_STATE__interface));
    if (state == nullptr) return false;
    SavedValue value{stateDocument_, text + '\0', atomString_};
    const LV2_State_Retrieve_Function retrieve = [](LV2_State_Handle h, uint32_t key, size_t* size, uint32_t* type,
                                                    uint32_t* flags) -> const void* {
        const auto* v = static_cast<const SavedValue*>(h);
        if (key != v->key) return nullptr;
        *size = v->bytes.size();
        *type = v->type;
        *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
        return v->bytes.data();
    };
    return state->restore(lilv_instance_get_handle(instance_), retrieve, &value, 0, features_) == LV2_STATE_SUCCESS;
}

bool Lv2Instance::applyPreset(const LilvNode* preset) {
    LilvState* state = lilv_state_new_from_world(world_.world(), world_.uridMap(), preset);
    if (state == nullptr) return false;
    struct Target {
        Lv2Instance* self;
        bool ok = true;
    } target{this};
    const LilvSetPortValueFunc setValue = [](const char* symbol, void* data, const void* value, uint32_t size,
                                             uint32_t type) {
        auto* t = static_cast<Target*>(data);
        if (type != t->self->atomFloat_ || size != sizeof(float) ||
            !t->self->setControl(symbol, *static_cast<const float*>(value))) {
            t->ok = false;
        }
    };
    lilv_state_restore(state, instance_, setValue, &target, 0, features_);
    lilv_state_free(state);
    return target.ok;
}

}  // namespace velmo::lv2host
