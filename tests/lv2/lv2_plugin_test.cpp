// Zuriz.lv2 through our lilv host: its Turtle data against the C++ tables and the bundle's files
// (the UI's too), the demo against the VST3 render, every block size at three rates, state
// across instances and formats, the factory presets, and run() free of allocations and locks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/midi/midi.h>
#include <lv2/state/state.h>
#include <lv2/time/time.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include "built_bundle.h"
#include "docs/state_json.h"
#include "lv2/lv2_messages.h"
#include "lv2_fixture.h"
#include "params/factory_presets.h"
#include "params/param_table.h"
#include "realtime_guard.h"
#include "tools/host/memory_streams.h"
#include "tools/lv2host/lv2_render.h"
#include "tools/render/plugin_render.h"

namespace velmo::test {
namespace {

using lv2host::Lv2Instance;
using lv2host::MidiEvent;
using render::Score;
using render::ScoreEvent;

constexpr double kTail = 1.0;
// What splitting a block at a parameter change may change in the kernel's output (the
// processor's own sample-accuracy tests hold one split to this)...
constexpr float kBlockSplitTolerance = 1e-6f;
// ...and what thousands of splits (blocks of a few frames) add up to, still below -100 dBFS.
constexpr float kManySplitsTolerance = 1e-5f;

float maxDifference(const std::vector<float>& a, const std::vector<float>& b) {
    EXPECT_EQ(a.size(), b.size());
    float worst = 0.0f;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) worst = std::max(worst, std::fabs(a[i] - b[i]));
    return worst;
}

float peak(const std::vector<float>& audio) {
    float p = 0.0f;
    for (float s : audio) p = std::max(p, std::fabs(s));
    return p;
}

// The demo as both formats can carry it exactly: velocities on the 7-bit MIDI grid and
// parameter values as the float a control port holds.
Score portableDemo(double untilSeconds = 1e9, bool parameters = true) {
    Score score = render::demoScore();
    std::vector<ScoreEvent> kept;
    for (ScoreEvent e : score.events) {
        if (e.seconds >= untilSeconds) break;
        if (e.kind == ScoreEvent::Kind::Parameter && !parameters) continue;
        if (e.kind == ScoreEvent::Kind::NoteOn) e.value = std::max(1.0, std::round(e.value * 127.0)) / 127.0;
        if (e.kind == ScoreEvent::Kind::Parameter) e.value = static_cast<float>(e.value);
        kept.push_back(e);
    }
    score.events = kept;
    score.lengthSeconds = std::min(score.lengthSeconds, untilSeconds);
    return score;
}

std::vector<float> vst3Render(const Score& score, double rate, int block) {
    std::string error;
    auto plugin = host::PluginInstance::create(builtBundle(), &error);
    EXPECT_TRUE(plugin) << error;
    if (!plugin) return {};
    render::PluginRenderer renderer(*plugin);
    std::vector<float> out;
    EXPECT_TRUE(renderer.prepare({rate, block, kTail}, error)) << error;
    EXPECT_TRUE(renderer.render(score, out, error)) << error;
    return out;
}

StateChunk parsed(const std::string& document) {
    StateChunk chunk;
    EXPECT_TRUE(parseStateJson(document.data(), document.size(), chunk)) << document;
    return chunk;
}

TEST(Lv2Turtle, DescribesTheTableThePortsAndThePresets) {
    Lv2Bundle& bundle = Lv2Bundle::get();
    lv2host::Lv2World& w = bundle.world();
    const LilvPlugin* plugin = bundle.plugin();

    LilvNodes* required = lilv_plugin_get_required_features(plugin);
    ASSERT_EQ(lilv_nodes_size(required), 1u);
    EXPECT_STREQ(lilv_node_as_uri(lilv_nodes_get(required, lilv_nodes_begin(required))), LV2_URID__map);
    lilv_nodes_free(required);
    EXPECT_TRUE(lilv_plugin_has_extension_data(plugin, w.node(LV2_STATE__interface)));
    EXPECT_STREQ(lilv_node_as_uri(lilv_plugin_class_get_uri(lilv_plugin_get_class(plugin))),
                 LV2_CORE__InstrumentPlugin);

    ASSERT_EQ(lilv_plugin_get_num_ports(plugin), lv2::kPortCount);
    const LilvNode* input = w.node(LV2_CORE__InputPort);
    const LilvNode* control = w.node(LV2_CORE__ControlPort);
    for (const velmo_param_desc& desc : VELMO_PARAMS) {
        SCOPED_TRACE(desc.path);
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, desc.id);
        EXPECT_TRUE(lilv_port_is_a(plugin, port, input) && lilv_port_is_a(plugin, port, control));
        EXPECT_EQ(lilv_node_as_string(lilv_port_get_symbol(plugin, port)), lv2::portSymbol(desc));
        LilvNode *def = nullptr, *min = nullptr, *max = nullptr;
        lilv_port_get_range(plugin, port, &def, &min, &max);
        ASSERT_TRUE(def && min && max);
        EXPECT_FLOAT_EQ(lilv_node_as_float(def), static_cast<float>(desc.defaultPlain));
        EXPECT_FLOAT_EQ(lilv_node_as_float(min), static_cast<float>(desc.minValue));
        EXPECT_FLOAT_EQ(lilv_node_as_float(max), static_cast<float>(desc.maxValue));
        lilv_node_free(def);
        lilv_node_free(min);
        lilv_node_free(max);
        const bool list = desc.kind == kParamKindList;
        EXPECT_EQ(lilv_port_has_property(plugin, port, w.node(LV2_CORE__enumeration)), list);
        EXPECT_EQ(lilv_port_has_property(plugin, port, w.node(LV2_CORE__integer)), list);
        LilvScalePoints* points = lilv_port_get_scale_points(plugin, port);
        std::vector<std::string> labels(static_cast<std::size_t>(desc.optionCount));
        LILV_FOREACH (scale_points, it, points) {
            const LilvScalePoint* point = lilv_scale_points_get(points, it);
            const auto index = static_cast<std::size_t>(lilv_node_as_float(lilv_scale_point_get_value(point)));
            ASSERT_LT(index, labels.size());
            labels[index] = lilv_node_as_string(lilv_scale_point_get_label(point));
        }
        lilv_scale_points_free(points);
        for (int32_t i = 0; i < desc.optionCount; ++i) EXPECT_EQ(labels[i], desc.options[i]);
    }
    const LilvPort* midi = lilv_plugin_get_port_by_index(plugin, lv2::kPortMidiIn);
    EXPECT_TRUE(lilv_port_is_a(plugin, midi, input) && lilv_port_is_a(plugin, midi, w.node(LV2_ATOM__AtomPort)));
    EXPECT_TRUE(lilv_port_supports_event(plugin, midi, w.node(LV2_MIDI__MidiEvent)));
    EXPECT_TRUE(lilv_port_supports_event(plugin, midi, w.node(LV2_TIME__Position)));
    const LilvPort* notify = lilv_plugin_get_port_by_symbol(plugin, w.keep(lilv_new_string(w.world(), "notify")));
    ASSERT_NE(notify, nullptr);
    EXPECT_EQ(lilv_port_get_index(plugin, notify), lv2::kPortNotify);
    EXPECT_TRUE(lilv_port_is_a(plugin, notify, w.node(LV2_CORE__OutputPort)) &&
                lilv_port_is_a(plugin, notify, w.node(LV2_ATOM__AtomPort)));
    for (uint32_t i : {lv2::kPortOutLeft, lv2::kPortOutRight}) {
        const LilvPort* out = lilv_plugin_get_port_by_index(plugin, i);
        EXPECT_TRUE(lilv_port_is_a(plugin, out, w.node(LV2_CORE__OutputPort)) &&
                    lilv_port_is_a(plugin, out, w.node(LV2_CORE__AudioPort)));
    }

    const auto presets = lv2host::pluginPresets(w, plugin);
    ASSERT_EQ(presets.size(), VELMO_FACTORY_PRESET_COUNT);
    for (const velmo_factory_preset& factory : VELMO_FACTORY_PRESETS) {
        EXPECT_TRUE(std::any_of(presets.begin(), presets.end(), [&](const auto& p) { return p.label == factory.name; }))
            << factory.name;
    }
}

// The objects of `subject predicate ?` in what lilv has read, as URIs.
std::set<std::string> objects(lv2host::Lv2World& w, const LilvNode* subject, const char* predicate) {
    std::set<std::string> out;
    LilvNodes* found = lilv_world_find_nodes(w.world(), subject, w.node(predicate), nullptr);
    LILV_FOREACH (nodes, it, found) out.insert(lilv_node_as_uri(lilv_nodes_get(found, it)));
    lilv_nodes_free(found);
    return out;
}

// The one UI a host finds for the plug-in, as it finds it: an X11 UI whose module and page are
// in the bundle, asking for the window to embed in and idle calls, using resize, touch and the
// URID map (its messages with the plug-in) where offered.
TEST(Lv2Turtle, DescribesTheX11UiAndItsFiles) {
    Lv2Bundle& bundle = Lv2Bundle::get();
    lv2host::Lv2World& w = bundle.world();
    LilvUIs* uis = lilv_plugin_get_uis(bundle.plugin());
    ASSERT_EQ(lilv_uis_size(uis), 1u);
    const LilvUI* ui = lilv_uis_get(uis, lilv_uis_begin(uis));
    const LilvNode* uri = lilv_ui_get_uri(ui);
    EXPECT_STREQ(lilv_node_as_uri(uri), lv2::kUiUri);
    EXPECT_TRUE(lilv_ui_is_a(ui, w.node(LV2_UI__X11UI)));
    const LilvNodes* classes = lilv_ui_get_classes(ui);
    EXPECT_EQ(lilv_nodes_size(classes), 1u);

    char* binary = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_binary_uri(ui)), nullptr);
    char* folder = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_bundle_uri(ui)), nullptr);
    ASSERT_TRUE(binary != nullptr && folder != nullptr);
    const std::filesystem::path module(binary), root(folder);
    lilv_free(binary);
    lilv_free(folder);
    EXPECT_EQ(module.filename(), lv2::kUiBinaryName);
    EXPECT_EQ(std::filesystem::weakly_canonical(module.parent_path()), std::filesystem::weakly_canonical(root));
#ifdef ZURIZ_LV2_UI_BUILT
    EXPECT_TRUE(std::filesystem::is_regular_file(module)) << module;
    EXPECT_TRUE(std::filesystem::is_regular_file(root / lv2::kUiFolder / "index.html")) << root;
#endif

    lilv_world_load_resource(w.world(), uri);  // as hosts do before reading a UI's features
    EXPECT_EQ(objects(w, uri, LV2_CORE__requiredFeature), (std::set<std::string>{LV2_UI__parent, LV2_UI__idleInterface}));
    EXPECT_EQ(objects(w, uri, LV2_CORE__optionalFeature),
              (std::set<std::string>{LV2_UI__resize, LV2_UI__touch, LV2_URID__map}));
    EXPECT_EQ(objects(w, uri, LV2_CORE__extensionData), (std::set<std::string>{LV2_UI__idleInterface, LV2_UI__resize}));
    lilv_uis_free(uis);
}

// Each factory preset applied as lilv applies it reaches the engine: the saved document holds
// the preset's values.
TEST(Lv2Presets, EachFactoryPresetReachesTheEngine) {
    Lv2Bundle& bundle = Lv2Bundle::get();
    const auto presets = lv2host::pluginPresets(bundle.world(), bundle.plugin());
    for (const velmo_factory_preset& factory : VELMO_FACTORY_PRESETS) {
        SCOPED_TRACE(factory.name);
        auto instance = bundle.instance(48000.0, 256);
        const auto it = std::find_if(presets.begin(), presets.end(), [&](const auto& p) { return p.label == factory.name; });
        ASSERT_NE(it, presets.end());
        ASSERT_TRUE(instance->applyPreset(it->node));
        instance->run(256, nullptr, 0);
        const StateChunk chunk = parsed(instance->saveDocument());
        for (const velmo_param_desc& desc : VELMO_PARAMS) {
            const double expected = velmo_param_to_plain(desc, factory.values[desc.id]);
            EXPECT_NEAR(chunk.params[desc.id], expected, 1e-6 * (desc.maxValue - desc.minValue)) << desc.path;
        }
    }
}

// The demo through Zuriz.lv2 sounds as through Zuriz.vst3 with the same events, at each rate
// (44.1 kHz goes through the engine's rate adapter).
TEST(Lv2Render, DemoMatchesTheVst3RenderAtEachRate) {
    const Score score = portableDemo();
    for (double rate : {44100.0, 48000.0, 96000.0}) {
        SCOPED_TRACE(rate);
        auto instance = Lv2Bundle::get().instance(rate, 512);
        const std::vector<float> lv2 = lv2host::renderScore(*instance, score, rate, 512, kTail);
        const std::vector<float> vst3 = vst3Render(score, rate, 512);
        EXPECT_GT(peak(lv2), 0.05f);
        EXPECT_LE(maxDifference(lv2, vst3), kBlockSplitTolerance);
    }
}

// Any block size from 1 to 8192 renders what one size does, at each rate.
TEST(Lv2Render, BlockSizesFromOneTo8192RenderTheSame) {
    const Score opening = portableDemo(0.8);
    for (double rate : {44100.0, 48000.0, 96000.0}) {
        auto reference = Lv2Bundle::get().instance(rate, 8192);
        const std::vector<float> expected = lv2host::renderScore(*reference, opening, rate, 8192, 0.2);
        ASSERT_GT(peak(expected), 0.05f);
        for (int block : {1, 7, 128, 1000, 4096}) {
            SCOPED_TRACE(std::to_string(rate) + " Hz, " + std::to_string(block) + " frames");
            auto instance = Lv2Bundle::get().instance(rate, block);
            EXPECT_LE(maxDifference(lv2host::renderScore(*instance, opening, rate, block, 0.2), expected),
                      kManySplitsTolerance);
        }
    }
}

// A state saved by Zuriz.lv2 restores into a fresh instance (which then sounds as the first
// one), into the VST3 processor (which saves the very same document), and a VST3 state with
// a CC map comes back into LV2, where the map drives a parameter from raw MIDI.
TEST(Lv2State, StateCrossesInstancesAndFormats) {
    Lv2Bundle& bundle = Lv2Bundle::get();
    const velmo_factory_preset& preset = VELMO_FACTORY_PRESETS[7];
    auto first = bundle.instance(48000.0, 512);
    for (const velmo_param_desc& desc : VELMO_PARAMS)
        first->control(desc.id) = static_cast<float>(velmo_param_to_plain(desc, preset.values[desc.id]));
    first->run(512, nullptr, 0);
    const std::string saved = first->saveDocument();
    const StateChunk chunk = parsed(saved);
    for (const velmo_param_desc& desc : VELMO_PARAMS)
        EXPECT_DOUBLE_EQ(chunk.params[desc.id], static_cast<float>(velmo_param_to_plain(desc, preset.values[desc.id])));

    // A fresh instance restored (its ports still at their defaults) plays as the first one does.
    auto restored = bundle.instance(48000.0, 512);
    ASSERT_TRUE(restored->restoreDocument(saved));
    EXPECT_EQ(restored->saveDocument(), saved);
    const Score phrase = portableDemo(0.6, false);
    auto fresh = bundle.instance(48000.0, 512);
    for (const velmo_param_desc& desc : VELMO_PARAMS) fresh->control(desc.id) = first->control(desc.id);
    const std::vector<float> expected = lv2host::renderScore(*fresh, phrase, 48000.0, 512, 0.2);
    EXPECT_LE(maxDifference(lv2host::renderScore(*restored, phrase, 48000.0, 512, 0.2), expected), 1e-7f);

    // Into the VST3 processor and back out: the same document.
    std::string error;
    auto vst3 = host::PluginInstance::create(builtBundle(), &error);
    ASSERT_TRUE(vst3) << error;
    const auto vst3Saves = [&]() {
        auto out = Steinberg::owned(new Steinberg::MemoryStream);
        EXPECT_EQ(vst3->component()->getState(out), Steinberg::kResultOk);
        return std::string(out->getData(), static_cast<std::size_t>(out->getSize()));
    };
    ASSERT_EQ(vst3->component()->setState(host::streamOf(saved)), Steinberg::kResultOk);
    EXPECT_EQ(vst3Saves(), saved);

    // A CC map given to the VST3 processor comes back with its state into LV2; CC 74 on any
    // channel then drives the clapper.
    CcMap map;
    map.count = 1;
    map.bindings[0].paramId = 2;
    map.bindings[0].cc = 74;
    const std::string withMap = writeStateJson(chunk.params, chunk.variation, &map, 0, 0, nullptr, nullptr, nullptr);
    ASSERT_EQ(vst3->component()->setState(host::streamOf(withMap)), Steinberg::kResultOk);
    const std::string fromVst3 = vst3Saves();
    auto mapped = bundle.instance(48000.0, 512);
    ASSERT_TRUE(mapped->restoreDocument(fromVst3));
    EXPECT_EQ(mapped->saveDocument(), fromVst3);
    const MidiEvent cc{100, {0xB3, 74, 0}};
    mapped->run(512, &cc, 1);
    const StateChunk after = parsed(mapped->saveDocument());
    EXPECT_TRUE(after.hasCcMap);
    for (const velmo_param_desc& desc : VELMO_PARAMS)
        EXPECT_EQ(after.params[desc.id], desc.id == 2 ? 0.0 : chunk.params[desc.id]) << desc.path;
}

// run() with notes, controllers through a CC map, port changes and the UI's messages (keys,
// polls answered on the notify port, a new CC map), in blocks of any size, neither allocates
// nor locks.
TEST(Lv2Realtime, RunNeverAllocatesOrLocks) {
    constexpr int kMaxFrames = 4096;
    auto instance = Lv2Bundle::get().instance(44100.0, kMaxFrames);
    CcMap map;
    map.count = 2;
    map.bindings[0] = {4, 1};
    map.bindings[1] = {9, 7};
    double params[VELMO_PARAM_COUNT];
    for (const velmo_param_desc& desc : VELMO_PARAMS) params[desc.id] = desc.defaultPlain;
    ASSERT_TRUE(instance->restoreDocument(writeStateJson(params, -1, &map, 0, 0, nullptr, nullptr, nullptr)));

    std::mt19937 rng(20261209);
    std::uniform_int_distribution<int> frames(1, kMaxFrames);
    std::uniform_int_distribution<int> count(0, 6);
    std::uniform_int_distribution<int> byte(0, 127);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<MidiEvent> events(8);
    lv2host::Lv2World& world = Lv2Bundle::get().world();
    const uint32_t audition = world.map(lv2::kAuditionUri), poll = world.map(lv2::kPollUri),
                   ccMap = world.map(lv2::kCcMapUri);
    lv2::CcMapRecord record;
    record.present = 1;
    record.map = map;
    std::size_t answered = 0;
    uint64_t allocations = 0, locks = 0;
    for (int b = 0; b < 600; ++b) {
        const int n = frames(rng);
        std::vector<uint32_t> at(static_cast<std::size_t>(count(rng)));
        for (uint32_t& f : at) f = static_cast<uint32_t>(unit(rng) * n);
        std::sort(at.begin(), at.end());
        for (std::size_t i = 0; i < at.size(); ++i) {
            const uint8_t kinds[3] = {0x90, 0x80, 0xB0};
            events[i] = {at[i], {static_cast<uint8_t>(kinds[byte(rng) % 3] | (byte(rng) & 15)),
                                 static_cast<uint8_t>(byte(rng) % 3 == 0 ? 7 : byte(rng)), static_cast<uint8_t>(byte(rng))}};
        }
        if (count(rng) == 0) {
            const velmo_param_desc& desc = VELMO_PARAMS[static_cast<std::size_t>(byte(rng)) % VELMO_PARAM_COUNT];
            instance->control(desc.id) = static_cast<float>(velmo_param_to_plain(desc, unit(rng)));
        }
        AuditionNote key;
        key.kind = static_cast<uint8_t>(b % 3 == 0 ? AuditionKind::Strike : AuditionKind::Release);
        key.note = static_cast<uint8_t>(byte(rng));
        key.velocity = 0.5f;
        instance->send(audition, key);
        instance->send(poll, lv2::Poll{lv2::kPollLevels | lv2::kPollTransport | lv2::kPollCcMap});
        if (b % 50 == 0) instance->send(ccMap, record);
        {
            RealtimeGuard guard;
            instance->run(static_cast<uint32_t>(n), events.data(), at.size());
            allocations += guard.allocations();
            locks += guard.locks();
        }
        answered += instance->notified().size();
    }
    EXPECT_EQ(allocations, 0u);
    EXPECT_EQ(locks, 0u);
    EXPECT_GE(answered, 1200u) << "each poll answered with the levels and the CC map";
}

}  // namespace
}  // namespace velmo::test
