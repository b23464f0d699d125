#pragma once
// A small LV2 host on lilv, as a host of the format loads Zuriz: the world read from LV2_PATH,
// the URID map and block-length options it offers, instances with their ports connected to
// buffers of ours, MIDI as an atom sequence, presets and state through lilv and state:interface.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include <lilv/lilv.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

namespace velmo::lv2host {

class Lv2World {
public:
    Lv2World();  // every bundle on LV2_PATH (lilv's default path without it)
    ~Lv2World();
    Lv2World(const Lv2World&) = delete;
    Lv2World& operator=(const Lv2World&) = delete;

    LilvWorld* world() const { return world_; }
    // The plug-in with this URI, or null.
    const LilvPlugin* plugin(const char* uri) const;
    // A node for `uri`, freed with the world.
    const LilvNode* node(const char* uri);
    // Takes `node` to free with the world.
    const LilvNode* keep(LilvNode* node);

    uint32_t map(const char* uri);
    const char* unmap(uint32_t urid);
    LV2_URID_Map* uridMap() { return &map_; }
    LV2_URID_Unmap* uridUnmap() { return &unmap_; }

private:
    LilvWorld* world_;
    std::vector<LilvNode*> nodes_;
    std::mutex mutex_;  // hosts may map from any thread; never from the audio thread here
    std::unordered_map<std::string, uint32_t> ids_;
    std::vector<std::string> uris_;
    LV2_URID_Map map_;
    LV2_URID_Unmap unmap_;
};

struct MidiEvent {
    uint32_t frame = 0;  // within the run it is sent with
    uint8_t bytes[3] = {};
};

// An atom the plug-in wrote to its notify port: its type and body.
struct Notified {
    uint32_t type;
    std::string body;
};

struct PresetInfo {
    const LilvNode* node;  // the world's
    std::string label;
};

// The plug-in's presets with their resources loaded, in lilv's order.
std::vector<PresetInfo> pluginPresets(Lv2World& world, const LilvPlugin* plugin);

// One instance of Zuriz's port layout (ten controls, control in, stereo out, notify out).
class Lv2Instance {
public:
    // Instantiated and activated; ok() says whether the plug-in accepted.
    Lv2Instance(Lv2World& world, const LilvPlugin* plugin, double sampleRate, int32_t maxBlockFrames);
    ~Lv2Instance();
    Lv2Instance(const Lv2Instance&) = delete;
    Lv2Instance& operator=(const Lv2Instance&) = delete;

    bool ok() const { return instance_ != nullptr; }
    int32_t maxBlockFrames() const { return maxBlock_; }
    float& control(uint32_t id) { return controls_[id]; }
    // By symbol; false when no control port has it.
    bool setControl(const char* symbol, float value);

    // Audio thread: runs `frames` (<= maxBlockFrames) with the events, writing from `left`
    // and `right` on (the instance's own buffers when null). Allocates nothing.
    void run(uint32_t frames, const MidiEvent* events, std::size_t count, float* left = nullptr,
             float* right = nullptr);
    const float* left() const { return left_.data(); }
    // An atom for the control input, at frame 0 of the next run (as a UI's message arrives).
    void send(uint32_t type, const void* body, uint32_t size);
    template <class Record>
    void send(uint32_t type, const Record& record) {
        send(type, &record, sizeof record);
    }
    // What the plug-in wrote to its notify port in the last run.
    std::vector<Notified> notified() const;
    // The worker thread's turn: carries out what runs scheduled (answers reach the plug-in
    // before its next run). Returns how many requests it carried out.
    std::size_t runWorker();
    const float* right() const { return right_.data(); }

    // The component state document through state:interface; empty when none is saved.
    std::string saveDocument();
    bool restoreDocument(const std::string& text);
    // A preset (its resource loaded) applied as a host does: lilv's state onto the ports.
    bool applyPreset(const LilvNode* preset);

    LilvInstance* instance() const { return instance_; }

private:
    Lv2World& world_;
    const LilvPlugin* plugin_;
    LilvInstance* instance_ = nullptr;
    int32_t maxBlock_;
    uint32_t atomSequence_, atomChunk_, midiEvent_, atomInt_, atomString_, atomFloat_, stateDocument_;
    std::vector<float> controls_;
    std::vector<std::string> symbols_;
    std::vector<float> left_, right_;
    std::vector<uint64_t> midi_;  // the atom sequence, 8-byte aligned
    std::vector<uint64_t> notify_;
    std::vector<uint8_t> pending_;  // events for the next run (at frame 0), room reserved
    std::vector<uint8_t> scheduled_;  // size-prefixed work requests from runs, room reserved
    std::vector<uint8_t> responses_;  // size-prefixed answers for the next run
    int32_t optionValues_[2];
    LV2_Options_Option options_[3];
    LV2_Worker_Schedule schedule_;
    LV2_Feature mapFeature_, unmapFeature_, optionsFeature_, boundedFeature_, workerFeature_;
    const LV2_Feature* features_[6];
};

}  // namespace velmo::lv2host
