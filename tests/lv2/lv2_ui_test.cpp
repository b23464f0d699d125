// Zuriz.lv2's UI end to end, with the test acting as an LV2 UI host: the UI found through lilv
// as a host finds it, its module loaded with dlopen, instantiated in a bare X11 window on a
// private Xvfb with urid:map, ui:parent, ui:resize and ui:touch, and driven by idle calls.
// Pointer input goes through XTest; what the page received is read from the helper's trace.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "lv2/lv2_messages.h"
#include "lv2/lv2_names.h"
#include "lv2/ui/lv2_page_bridge.h"
#include "params/factory_presets.h"
#include "lv2_fixture.h"
#include "params/param_table.h"
#include "scratch_dir.h"
#include "tools/host/process_stats.h"
#include "tools/host/x11_test_window.h"
#include "tools/host/xvfb_server.h"

namespace velmo::test {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint32_t LEVEL = 9;  // "master.level": plain 0..1, the port index its id
constexpr const char* HELLO_DELIVERED = "delivered {\"type\":\"velmo.hello\"";

std::vector<int> helperPids() { return host::childProcessesNamed("zuriz-webview"); }

// What the UI asked of its host, in order; anything after cleanup is a fault.
struct HostRecord {
    struct Write {
        std::uint32_t port;
        float value;
    };
    struct Touch {
        std::uint32_t port;
        bool grabbed;
    };
    std::vector<Write> writes;
    std::vector<Touch> touches;
    std::vector<LV2_URID> atoms;  // the types of the atoms written to the control input
    std::vector<std::pair<int, int>> sizes;
    std::map<std::string, LV2_URID> urids;
    int callsAfterCleanup = 0;
    bool cleanedUp = false;

    void note() { callsAfterCleanup += cleanedUp ? 1 : 0; }
};

void recordWrite(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
    auto* record = static_cast<HostRecord*>(controller);
    record->note();
    if (format == 0 && size == sizeof(float)) record->writes.push_back({port, *static_cast<const float*>(buffer)});
    if (format != 0 && format == record->urids[LV2_ATOM__eventTransfer] && port == lv2::kPortMidiIn &&
        size >= sizeof(LV2_Atom))
        record->atoms.push_back(static_cast<const LV2_Atom*>(buffer)->type);
}

void recordTouch(LV2UI_Feature_Handle handle, uint32_t port, bool grabbed) {
    auto* record = static_cast<HostRecord*>(handle);
    record->note();
    record->touches.push_back({port, grabbed});
}

int recordResize(LV2UI_Feature_Handle handle, int width, int height) {
    auto* record = static_cast<HostRecord*>(handle);
    record->note();
    record->sizes.emplace_back(width, height);
    return 0;
}

LV2_URID mapUri(LV2_URID_Map_Handle handle, const char* uri) {
    auto& urids = static_cast<HostRecord*>(handle)->urids;
    return urids.emplace(uri, static_cast<LV2_URID>(urids.size() + 1)).first->second;
}

// The UI's module and bundle as lilv reads them from the bundle's Turtle (on LV2_PATH).
struct UiLocation {
    std::string binary;
    std::string bundle;
};

UiLocation findUi() {
    UiLocation found;
    LilvWorld* world = lilv_world_new();
    lilv_world_load_all(world);
    LilvNode* uri = lilv_new_uri(world, lv2::kPluginUri);
    LilvNode* x11 = lilv_new_uri(world, LV2_UI__X11UI);
    const LilvPlugin* plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
    LilvUIs* uis = plugin != nullptr ? lilv_plugin_get_uis(plugin) : nullptr;
    LILV_FOREACH(uis, i, uis) {
        const LilvUI* ui = lilv_uis_get(uis, i);
        if (std::string(lilv_node_as_uri(lilv_ui_get_uri(ui))) != lv2::kUiUri || !lilv_ui_is_a(ui, x11)) continue;
        char* binary = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_binary_uri(ui)), nullptr);
        char* bundle = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_bundle_uri(ui)), nullptr);
        found = {binary, bundle};
        lilv_free(binary);
        lilv_free(bundle);
    }
    if (uis != nullptr) lilv_uis_free(uis);
    lilv_node_free(x11);
    lilv_node_free(uri);
    lilv_world_free(world);
    return found;
}

TEST(Lv2UiTest, EmbeddedPageEditsPortsWithTouchFollowsPortEventsResizesAndCloses) {
    std::string displayError;
    const std::unique_ptr<host::XvfbServer> display = host::XvfbServer::start(&displayError);
    ASSERT_NE(display, nullptr) << "no X server for the LV2 UI test: " << displayError;
    ScratchDir folder;
    const std::string trace = folder.file("webview-trace.txt");
    ::setenv("VELMO_WEBVIEW_TRACE", trace.c_str(), 1);
    const auto traced = [&](const std::string& line) { return host::countTraceLines(trace, line); };

    const Lv2SearchPath path;
    const UiLocation location = findUi();
    ASSERT_FALSE(location.binary.empty()) << "lilv finds no X11 UI for the plug-in";
    void* module = ::dlopen(location.binary.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << ::dlerror();
    const auto descriptorOf = reinterpret_cast<LV2UI_DescriptorFunction>(::dlsym(module, "lv2ui_descriptor"));
    ASSERT_NE(descriptorOf, nullptr);
    const LV2UI_Descriptor* descriptor = descriptorOf(0);
    ASSERT_NE(descriptor, nullptr);
    EXPECT_STREQ(descriptor->URI, lv2::kUiUri);
    const auto* idle = static_cast<const LV2UI_Idle_Interface*>(descriptor->extension_data(LV2_UI__idleInterface));
    const auto* resize = static_cast<const LV2UI_Resize*>(descriptor->extension_data(LV2_UI__resize));
    ASSERT_NE(idle, nullptr);
    ASSERT_NE(resize, nullptr);

    const std::unique_ptr<host::X11TestWindow> window = host::X11TestWindow::open(760, 620);
    ASSERT_NE(window, nullptr);
    HostRecord record;
    LV2_URID_Map map{&record, mapUri};
    LV2UI_Resize hostResize{&record, recordResize};
    LV2UI_Touch hostTouch{&record, recordTouch};
    const LV2_Feature mapFeature{LV2_URID__map, &map};
    const LV2_Feature parentFeature{LV2_UI__parent, window->parentHandle()};
    const LV2_Feature resizeFeature{LV2_UI__resize, &hostResize};
    const LV2_Feature touchFeature{LV2_UI__touch, &hostTouch};
    const LV2_Feature* features[] = {&mapFeature, &parentFeature, &resizeFeature, &touchFeature, nullptr};

    LV2UI_Widget widget = nullptr;
    LV2UI_Handle ui = descriptor->instantiate(descriptor, lv2::kPluginUri, location.bundle.c_str(), recordWrite,
                                              &record, &widget, features);
    ASSERT_NE(ui, nullptr);
    EXPECT_EQ(widget, window->parentHandle());
    // As hosts do after instantiating: every control port's value.
    for (const velmo_param_desc& row : VELMO_PARAMS) {
        const float plain = static_cast<float>(row.defaultPlain);
        descriptor->port_event(ui, row.id, sizeof plain, 0, &plain);
    }
    const auto idleUntil = [&](const std::function<bool()>& done, double ms) {
        const Clock::time_point start = Clock::now();
        while (!done()) {
            if (std::chrono::duration<double, std::milli>(Clock::now() - start).count() > ms) return false;
            EXPECT_EQ(idle->idle(ui), 0);
            ::usleep(10000);
        }
        return true;
    };
    const auto settledPage = [&] {
        host::Capture shot;
        idleUntil(
            [&] {
                const host::Capture before = window->capture();
                idleUntil([] { return false; }, 400);
                shot = window->capture();
                return shot.variance() > 100.0 && shot.differenceFrom(before) == 0.0;
            },
            30000);
        return shot;
    };

    // Page ready.
    ASSERT_TRUE(idleUntil([&] { return traced(HELLO_DELIVERED) > 0; }, 30000))
        << "no hello reached the page; helper trace:\n" << readTextFile(trace);
    EXPECT_EQ(traced("delivered {\"type\":\"velmo.hello\",\"plugin\":{\"id\":\"music.velmo.bells\""), 1u);
    ASSERT_EQ(helperPids().size(), 1u);
    ASSERT_EQ(record.sizes.size(), 1u);
    EXPECT_EQ(record.sizes.front(), std::make_pair(760, 620));
    const host::Capture shot = settledPage();
    EXPECT_GT(shot.variance(), 100.0) << "the embedded page shows a blank window";
    std::filesystem::create_directories(ZURIZ_LV2_ARTIFACTS);
    EXPECT_TRUE(shot.writePpm(std::string(ZURIZ_LV2_ARTIFACTS) + "/lv2-ui.ppm"));

    // The visible page's meter: the UI polls the plug-in, and its answer moves the page.
    const LV2_URID poll = record.urids[lv2::kPollUri];
    ASSERT_TRUE(idleUntil([&] { return std::count(record.atoms.begin(), record.atoms.end(), poll) > 0; }, 5000));
    struct {
        LV2_Atom head;
        OutputLevels levels;
    } answer{{sizeof(OutputLevels), record.urids[lv2::kLevelsUri]}, {}};
    answer.levels.peak[0] = answer.levels.peak[1] = 0.5f;
    descriptor->port_event(ui, lv2::kPortNotify, sizeof answer, record.urids[LV2_ATOM__eventTransfer], &answer);
    ASSERT_TRUE(idleUntil([&] { return traced("delivered {\"type\":\"velmo.meters\",\"peaks\":[0.5,0.5]}") > 0; },
                          5000))
        << readTextFile(trace);

    // Page -> host: a click 30 % along the Level slider's track writes its port inside a touch.
    ASSERT_TRUE(window->click(114 + (265 - 114) * 3 / 10, 506)) << "the X server has no XTest";
    const auto levelWritten = [&] {
        for (const HostRecord::Write& w : record.writes)
            if (w.port == LEVEL) return true;
        return false;
    };
    ASSERT_TRUE(idleUntil(levelWritten, 10000)) << readTextFile(trace);
    ASSERT_TRUE(idleUntil([&] { return !record.touches.empty() && !record.touches.back().grabbed; }, 5000));
    for (const HostRecord::Write& w : record.writes) {
        EXPECT_EQ(w.port, LEVEL);
        EXPECT_NEAR(w.value, 0.3, 0.05);
    }
    ASSERT_EQ(record.touches.size(), 2u);
    EXPECT_EQ(record.touches.front().port, LEVEL);
    EXPECT_TRUE(record.touches.front().grabbed);
    EXPECT_EQ(record.touches.back().port, LEVEL);
    // The host echoes the written value: the page already holds it, nothing goes back.
    const std::size_t changesBefore = traced("delivered {\"type\":\"velmo.paramChanged\"");
    descriptor->port_event(ui, LEVEL, sizeof(float), 0, &record.writes.back().value);
    settledPage();

    // Host -> page: the port moves, the page's slider follows on screen.
    EXPECT_EQ(traced("delivered {\"type\":\"velmo.paramChanged\""), changesBefore);
    const host::Capture beforeChange = window->capture();
    const float high = 0.9F;
    descriptor->port_event(ui, LEVEL, sizeof high, 0, &high);
    ASSERT_TRUE(idleUntil(
        [&] { return traced("delivered {\"type\":\"velmo.paramChanged\",\"path\":\"master.level\",\"value\":0.9") > 0; },
        5000))
        << readTextFile(trace);
    // The track between 0.3 and 0.9 of its length fills.
    const auto track = [](const host::Capture& shot) { return shot.meanGrey(170, 503, 70, 6); };
    double filled = track(beforeChange);
    EXPECT_TRUE(idleUntil([&] { return (filled = track(window->capture())) > track(beforeChange) + 20.0; }, 10000))
        << "the Level slider did not move on screen: grey " << track(beforeChange) << " -> " << filled;

    // Resize: the host grows its window and tells the UI; the page fills the new size.
    window->resize(1000, 700);
    EXPECT_EQ(resize->ui_resize(ui, 1000, 700), 0);
    EXPECT_TRUE(idleUntil([&] { return window->capture().meanGrey(800, 300, 190, 390) > 10.0; }, 10000))
        << "the grown part of the window stays black";

    // Close: nothing calls the host after cleanup, and the helper leaves.
    descriptor->cleanup(ui);
    record.cleanedUp = true;
    const Clock::time_point closed = Clock::now();
    while (!helperPids().empty() && Clock::now() - closed < std::chrono::seconds(10)) ::usleep(20000);
    EXPECT_TRUE(helperPids().empty()) << "a helper process is left";
    EXPECT_EQ(record.callsAfterCleanup, 0);
    ::dlclose(module);
}

// The page's bridge alone: what the hello offers, and a factory preset as port writes.
TEST(Lv2UiTest, HelloOffersParamsAndPresetsAndAPresetIsTenTouchedPortWrites) {
    HostRecord record;
    std::vector<std::string> docs;
    lv2::Lv2PageBridge bridge([&](std::uint32_t port, float plain) { record.writes.push_back({port, plain}); },
                              [&](std::uint32_t port, bool grabbed) { record.touches.push_back({port, grabbed}); });
    bridge.setBridgeSink([&](const std::string& doc) { docs.push_back(doc); });
    const auto post = [&](const std::string& message) { bridge.handleBridgeMessage(message.data(), message.size()); };

    post(R"({"type":"velmo.ready"})");
    ASSERT_EQ(docs.size(), 1u);
    const std::string& hello = docs.front();
    EXPECT_EQ(hello.rfind(R"({"type":"velmo.hello","plugin":{"id":"music.velmo.bells")", 0), 0u);
    EXPECT_NE(hello.find(R"("path":"master.level","value":0.78,)"), std::string::npos) << hello;
    EXPECT_NE(hello.find(R"("factoryPresets":[{"id":"factory-1")"), std::string::npos);
    const std::string features = R"(,"features":["params","presets"]})";
    ASSERT_GE(hello.size(), features.size());
    EXPECT_EQ(hello.substr(hello.size() - features.size()), features);

    // What LV2 cannot carry here is dropped, never half done.
    docs.clear();
    for (const char* message : {R"({"type":"velmo.getState"})", R"({"type":"velmo.auditionStrike","note":60})",
                                R"({"type":"velmo.loadFactoryPreset","id":"factory-11"})"})
        post(message);
    EXPECT_TRUE(docs.empty());
    EXPECT_TRUE(record.writes.empty());

    post(R"({"type":"velmo.loadFactoryPreset","id":"factory-3"})");
    ASSERT_EQ(record.writes.size(), VELMO_PARAM_COUNT);
    ASSERT_EQ(record.touches.size(), 2 * VELMO_PARAM_COUNT);
    for (std::uint32_t id = 0; id < VELMO_PARAM_COUNT; ++id) {
        EXPECT_EQ(record.writes[id].port, id);
        EXPECT_FLOAT_EQ(record.writes[id].value,
                        static_cast<float>(velmo_param_to_plain(VELMO_PARAMS[id], VELMO_FACTORY_PRESETS[2].values[id])));
        EXPECT_TRUE(record.touches[2 * id].grabbed);
        EXPECT_FALSE(record.touches[2 * id + 1].grabbed);
    }
    EXPECT_EQ(docs.size(), VELMO_PARAM_COUNT);  // the page hears each new value once
    // The host's echo of what was written is no news to the page.
    docs.clear();
    for (const HostRecord::Write& w : record.writes) bridge.portEvent(w.port, w.value);
    EXPECT_TRUE(docs.empty());
}

// With atoms the bridge offers every panel but the banks: the page's keys, state, CC map and
// diagnostic subscription become messages to the plug-in, and its answers documents for the page.
TEST(Lv2UiTest, WithAtomsKeysStateCcMapAndMetersTravelAsMessages) {
    struct Sent {
        std::uint32_t type;
        std::string body;
    };
    std::vector<Sent> sent;
    std::vector<float> writes;
    std::vector<std::string> docs;
    const lv2::Lv2MessageTypes types{11, 12, 13, 14, 15, 16, 17, 18, 19};
    lv2::Lv2PageBridge bridge([&](std::uint32_t, float plain) { writes.push_back(plain); }, {},
                              [&](std::uint32_t type, const void* body, std::uint32_t size) {
                                  sent.push_back({type, std::string(static_cast<const char*>(body), size)});
                              },
                              types);
    bridge.setBridgeSink([&](const std::string& doc) { docs.push_back(doc); });
    const auto post = [&](const std::string& message) { bridge.handleBridgeMessage(message.data(), message.size()); };
    const auto lastDoc = [&] { return docs.empty() ? std::string() : docs.back(); };

    // The hello offers every panel but the banks, and the plug-in is asked for its CC map.
    post(R"({"type":"velmo.ready"})");
    EXPECT_NE(lastDoc().find(R"("features":["params","presets","audition","meter","ccMap","state","diagnostics","banks"]})"),
              std::string::npos) << lastDoc();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].type, types.poll);
    EXPECT_EQ(sent[0].body, std::string("\x0c\0\0\0", 4));
    HostFacts facts;
    facts.sampleRate = 48000.0;
    facts.maxBlockFrames = 512;
    bridge.pluginMessage(types.hostFacts, &facts, sizeof facts);
    EXPECT_EQ(lastDoc().rfind(R"({"type":"velmo.hostChanged","host":{)", 0), 0u) << lastDoc();
    EXPECT_NE(lastDoc().find(R"("sampleRate":48000)"), std::string::npos) << lastDoc();

    // The plug-in's map (a restored one) reaches the page and is in the state the page exports.
    lv2::CcMapRecord record;
    record.present = 1;
    record.map.count = 1;
    record.map.bindings[0].paramId = 3;
    record.map.bindings[0].cc = 21;
    bridge.pluginMessage(types.ccMap, &record, sizeof record);
    EXPECT_EQ(lastDoc().rfind(R"({"type":"velmo.ccMapChanged")", 0), 0u) << lastDoc();
    post(R"({"type":"velmo.getState"})");
    EXPECT_EQ(lastDoc().rfind(R"({"type":"velmo.state","state":{)", 0), 0u) << lastDoc();
    EXPECT_NE(lastDoc().find(R"("cc":21)"), std::string::npos) << lastDoc();

    // A state imported by the page: its values as port writes, its map sent to the plug-in.
    const std::string exported = lastDoc().substr(std::string(R"({"type":"velmo.state","state":)").size());
    sent.clear();
    post(R"({"type":"velmo.setState","state":)" + exported.substr(0, exported.size() - 1) + "}");
    EXPECT_EQ(writes.size(), VELMO_PARAM_COUNT);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].type, types.padOverrides);
    EXPECT_EQ(sent[0].type, types.ccMap);
    lv2::CcMapRecord back;
    ASSERT_EQ(sent[0].body.size(), sizeof back);
    std::memcpy(&back, sent[0].body.data(), sizeof back);
    EXPECT_TRUE(back.present && ccMapsEqual(back.map, record.map));

    // Keys: a strike as its record; the page going releases what it held.
    sent.clear();
    post(R"({"type":"velmo.auditionStrike","note":60,"velocity":0.5})");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].type, types.audition);
    EXPECT_EQ(sent[0].body, std::string("\x01\x3c\0\0\0\0\0\x3f", 8));

    // A bank from a folder: the request goes to the plug-in, its answer is the panel's state.
    sent.clear();
    post(R"({"type":"velmo.loadBank","source":"user-folder","bankPath":"/banks/bells"})");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].type, types.bankRequest);
    EXPECT_EQ(sent[0].body, "user-folder\n/banks/bells\n\n");
    const std::string reply = "bank-malformed\nno manifest.json";
    bridge.pluginMessage(types.bankReply, reply.data(), static_cast<std::uint32_t>(reply.size()));
    EXPECT_EQ(lastDoc().rfind(R"({"type":"velmo.bankState")", 0), 0u) << lastDoc();
    EXPECT_NE(lastDoc().find("bank-malformed"), std::string::npos) << lastDoc();

    // Meters: polled at most 30 times a second while subscribed; the answer becomes the
    // page's document.
    sent.clear();
    post(R"({"type":"velmo.diag.subscribe","feeds":["meters"],"hz":30})");
    bridge.tick(1000.0);
    bridge.tick(1010.0);
    bridge.tick(1034.0);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].body, std::string("\x01\0\0\0", 4));
    OutputLevels levels;
    levels.peak[0] = 0.5f;
    levels.peak[1] = 0.25f;
    bridge.pluginMessage(types.levels, &levels, sizeof levels);
    EXPECT_EQ(lastDoc(), R"({"type":"velmo.meters","peaks":[0.5,0.25]})");
    const std::size_t reports = docs.size();
    bridge.pluginMessage(types.levels, &levels, 3);  // a short body is no report
    EXPECT_EQ(docs.size(), reports);

    sent.clear();
    bridge.onEditorClosed();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].body, std::string("\x03\0\0\0\0\0\0\0", 8));
    bridge.tick(5000.0);
    EXPECT_EQ(sent.size(), 1u) << "no polls once the page is gone";
}

}  // namespace
}  // namespace velmo::test
