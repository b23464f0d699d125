// Hosts may save an LV2 plug-in's state while its run() goes on (state:interface allows it):
// every save made while runs adopt CC maps from the UI holds one whole map, never a mix.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <lv2/atom/util.h>

#include "docs/state_json.h"
#include "lv2/zuriz_lv2.h"

namespace velmo::test {
namespace {

LV2_URID mapUri(LV2_URID_Map_Handle handle, const char* uri) {
    auto& ids = *static_cast<std::map<std::string, LV2_URID>*>(handle);
    return ids.emplace(uri, static_cast<LV2_URID>(ids.size() + 1)).first->second;
}

lv2::CcMapRecord mapOf(uint8_t cc, uint32_t count) {
    lv2::CcMapRecord record;
    record.present = 1;
    record.map.count = count;
    for (uint32_t i = 0; i < count; ++i) {
        record.map.bindings[i].paramId = i % VELMO_PARAM_COUNT;
        record.map.bindings[i].cc = static_cast<uint8_t>(cc + i);
    }
    return record;
}

}  // namespace

TEST(Lv2Threads, SavesWhileRunsAdoptCcMapsHoldOneWholeMap) {
    std::map<std::string, LV2_URID> ids;
    LV2_URID_Map map{&ids, mapUri};
    lv2::ZurizLv2 plugin(48000.0, 256, lv2::Lv2Urids::mapped(map));
    const lv2::CcMapRecord maps[2] = {mapOf(20, 40), mapOf(80, 3)};

    std::vector<float> left(256), right(256);
    std::vector<uint64_t> control(2048), notify(1024);
    plugin.connect(lv2::kPortOutLeft, left.data());
    plugin.connect(lv2::kPortOutRight, right.data());
    plugin.connect(lv2::kPortMidiIn, control.data());
    plugin.connect(lv2::kPortNotify, notify.data());
    plugin.activate();
    const uint32_t ccMapType = map.map(map.handle, lv2::kCcMapUri);
    const uint32_t sequenceType = map.map(map.handle, LV2_ATOM__Sequence);

    std::atomic<bool> done{false};
    std::thread audio([&] {
        for (int run = 0; run < 3000; ++run) {
            auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(control.data());
            lv2_atom_sequence_clear(sequence);
            sequence->atom.type = sequenceType;
            struct {
                LV2_Atom_Event event;
                lv2::CcMapRecord record;
            } message{};
            message.event.body = {sizeof(lv2::CcMapRecord), ccMapType};
            message.record = maps[run % 2];
            lv2_atom_sequence_append_event(sequence, control.size() * 8 - sizeof(LV2_Atom), &message.event);
            reinterpret_cast<LV2_Atom*>(notify.data())->size = notify.size() * 8;
            plugin.run(256);
        }
        done = true;
    });
    int saves = 0;
    while (!done) {
        const std::string document = plugin.saveDocument();
        StateChunk chunk;
        ASSERT_TRUE(parseStateJson(document.data(), document.size(), chunk));
        if (chunk.hasCcMap) {
            EXPECT_TRUE(ccMapsEqual(chunk.ccMap, maps[0].map) || ccMapsEqual(chunk.ccMap, maps[1].map))
                << document;
        }
        ++saves;
    }
    audio.join();
    EXPECT_GT(saves, 0);
}

}  // namespace velmo::test
