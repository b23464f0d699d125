// Many editors, one helper: eight instances of the built bundle (copied, its page replaced by the
// test page) each show their editor in a bare X11 window of their own on a private Xvfb, all in
// this one process. They share one helper process and one web process; each page talks only to
// its own controller; a hidden window's page sees itself hidden and is fed nothing until shown;
// the web process's crash and the helper's death reach every open editor, and attaching again
// works; the helper goes once the last editor has.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>

#include "pluginterfaces/gui/iplugview.h"
#include "scratch_dir.h"
#include "tests/bridge/bundle_rig.h"
#include "tools/host/plug_frame.h"
#include "tools/host/process_stats.h"
#include "tools/host/x11_test_window.h"
#include "tools/host/xvfb_server.h"

namespace velmo::test {
namespace {

namespace fs = std::filesystem;
using namespace Steinberg;
using Clock = std::chrono::steady_clock;

constexpr const char* X11 = "X11EmbedWindowID";
constexpr Vst::ParamID LEVEL = 9;
constexpr int EDITORS = 8;

std::vector<int> helperPids() { return host::childProcessesNamed("zuriz-webview"); }

// The web processes WebKit started for the helper `pid` (the command name is cut to 15 bytes).
std::vector<int> webProcessesOf(int pid) {
    std::vector<int> found;
    std::error_code error;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        std::ifstream children(task.path() / "children");
        for (int child = 0; children >> child;) {
            std::ifstream comm("/proc/" + std::to_string(child) + "/comm");
            std::string name;
            if (std::getline(comm, name) && name == "WebKitWebProces") found.push_back(child);
        }
    }
    return found;
}

std::size_t occurrences(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

struct Editor {
    std::unique_ptr<BundleRig> rig;
    std::unique_ptr<host::X11TestWindow> window;
    IPtr<host::TestPlugFrame> frame;
    IPtr<IPlugView> view;
    bool attached = false;
};

class ManyEditorsTest : public ::testing::Test {
protected:
    void SetUp() override {
        display_ = host::XvfbServer::start(&displayError_);
        ASSERT_NE(display_, nullptr) << "no X server for the editor tests: " << displayError_;
        bundle_ = fs::path(folder_.path()) / "Zuriz.vst3";
        fs::copy(ZURIZ_BUNDLE_DIR, bundle_, fs::copy_options::recursive);
        fs::copy(ZURIZ_EDITOR_FIXTURE_UI, bundle_ / "Contents" / "Resources" / "ui",
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        trace_ = folder_.file("webview-trace.txt");
        ::setenv("VELMO_WEBVIEW_TRACE", trace_.c_str(), 1);
        std::string error;
        module_ = host::PluginModule::open(bundle_.string(), &error);
        ASSERT_NE(module_, nullptr) << error;
        for (int i = 0; i < EDITORS; ++i) {
            Editor& e = editors_[i];
            e.rig = std::make_unique<BundleRig>(*module_);
            e.window = host::X11TestWindow::open(760, 620);
            ASSERT_NE(e.window, nullptr);
            e.frame = owned(new host::TestPlugFrame(e.rig->loop));
        }
    }

    void TearDown() override {
        for (Editor& e : editors_) {
            if (e.view != nullptr) {
                if (e.attached) e.view->removed();
                e.view->setFrame(nullptr);
            }
            e.view = nullptr;
        }
        runUntil([] { return helperPids().empty(); }, 10000);
        EXPECT_TRUE(helperPids().empty()) << "a helper process is left";
        for (Editor& e : editors_) e.rig.reset();
        module_.reset();
        for (Editor& e : editors_) e.window.reset();
        display_.reset();
    }

    // Every instance's loop in turn, as one host thread serves them all.
    void runAll(double ms) {
        const Clock::time_point start = Clock::now();
        do
            for (Editor& e : editors_) e.rig->loop->runFor(1);
        while (std::chrono::duration<double, std::milli>(Clock::now() - start).count() < ms);
    }

    bool runUntil(const std::function<bool()>& done, double ms) {
        const Clock::time_point start = Clock::now();
        while (!done()) {
            if (std::chrono::duration<double, std::milli>(Clock::now() - start).count() > ms) return false;
            runAll(5);
        }
        return true;
    }

    std::string trace() const { return readTextFile(trace_.string()); }
    std::size_t traced(const std::string& line) const { return host::countTraceLines(trace_.string(), line); }

    // The view ids of the trace lines that begin with `prefix`.
    std::vector<std::string> viewsTraced(const std::string& prefix) const {
        std::vector<std::string> views;
        std::istringstream lines(trace());
        for (std::string line; std::getline(lines, line);)
            if (line.rfind(prefix, 0) == 0) views.push_back(line.substr(line.rfind(" @") + 2));
        return views;
    }

    void create(Editor& e) {
        e.view = owned(e.rig->controller->createView("editor"));
        ASSERT_NE(e.view, nullptr);
        ASSERT_EQ(e.view->setFrame(e.frame), kResultOk);
    }

    void attach(Editor& e) {
        ASSERT_EQ(e.view->attached(e.window->parentHandle(), X11), kResultTrue);
        e.attached = true;
    }

    void remove(Editor& e) {
        EXPECT_EQ(e.view->removed(), kResultOk);
        e.attached = false;
    }

    // The page's echo of a value; the values used are exact in binary, so the page writes them as %g does.
    static std::string shown(double value) {
        char text[96];
        std::snprintf(text, sizeof text, "page {\"type\":\"velmo.test.shown\",\"value\":%g}", value);
        return text;
    }

    std::unique_ptr<host::XvfbServer> display_;
    std::string displayError_;
    ScratchDir folder_;
    fs::path bundle_;
    fs::path trace_;
    std::unique_ptr<host::PluginModule> module_;
    Editor editors_[EDITORS];
};

TEST_F(ManyEditorsTest, EightEditorsShareOneHelperEachWithItsOwnPage) {
    for (Editor& e : editors_) create(e);
    for (Editor& e : editors_) attach(e);
    ASSERT_TRUE(runUntil([&] { return traced("delivered {\"type\":\"velmo.hello\"") == EDITORS; }, 60000))
        << trace();
    ASSERT_EQ(helperPids().size(), 1u) << "one helper serves every editor";
    const int helper = helperPids().front();
    std::vector<std::string> hellos = viewsTraced("delivered {\"type\":\"velmo.hello\"");
    EXPECT_EQ(std::set<std::string>(hellos.begin(), hellos.end()).size(), std::size_t{EDITORS});

    // Controller -> page: each instance's value reaches one page, a different page for each.
    for (int i = 0; i < EDITORS; ++i) editors_[i].rig->controller->setParamNormalized(LEVEL, 0.0625 * (i + 1));
    ASSERT_TRUE(runUntil(
        [&] {
            for (int i = 0; i < EDITORS; ++i)
                if (traced(shown(0.0625 * (i + 1))) == 0) return false;
            return true;
        },
        20000))
        << trace();
    std::set<std::string> pages;
    for (int i = 0; i < EDITORS; ++i) {
        EXPECT_EQ(traced(shown(0.0625 * (i + 1))), 1u) << "value of instance " << i;
        pages.insert(viewsTraced(shown(0.0625 * (i + 1))).front());
    }
    EXPECT_EQ(pages.size(), std::size_t{EDITORS}) << "a page heard another instance";

    // Page -> controller: a click in the sixth window moves the sixth instance only.
    std::vector<double> before;
    for (Editor& e : editors_) before.push_back(e.rig->normalized(LEVEL));
    ASSERT_TRUE(editors_[5].window->click(40 + 680 * 3 / 10, 60)) << "the X server has no XTest";
    ASSERT_TRUE(runUntil([&] { return editors_[5].rig->normalized(LEVEL) != before[5]; }, 10000)) << trace();
    EXPECT_NEAR(editors_[5].rig->normalized(LEVEL), 0.3, 0.05);
    runAll(300);
    for (int i = 0; i < EDITORS; ++i)
        if (i != 5) EXPECT_EQ(editors_[i].rig->normalized(LEVEL), before[i]) << "instance " << i << " moved";

    // Hidden without being removed, as Ardour hides a closed editor: the page sees itself
    // hidden and is sent nothing it did not ask for; shown again, it sees itself visible and
    // gets the current values at once.
    const std::string hidden = "page {\"type\":\"velmo.test.visibility\",\"state\":\"hidden\"}";
    const std::string visible = "page {\"type\":\"velmo.test.visibility\",\"state\":\"visible\"}";
    const std::string changed = "delivered {\"type\":\"velmo.paramChanged\"";
    const std::string caughtUp = "page {\"type\":\"velmo.test.helloSeen\",\"value\":0.9375}";
    const std::size_t hiddenBefore = traced(hidden);
    const std::size_t visibleBefore = traced(visible);
    editors_[2].window->setShown(false);
    ASSERT_TRUE(runUntil([&] { return traced(hidden) == hiddenBefore + 1; }, 10000)) << trace();
    const std::size_t changedBefore = traced(changed);
    editors_[2].rig->controller->setParamNormalized(LEVEL, 0.25);
    editors_[2].rig->controller->setParamNormalized(LEVEL, 0.9375);
    runAll(500);
    EXPECT_EQ(traced(changed), changedBefore) << "a hidden page was fed";
    EXPECT_EQ(traced(caughtUp), 0u);
    editors_[2].window->setShown(true);
    ASSERT_TRUE(runUntil([&] { return traced(visible) == visibleBefore + 1 && traced(caughtUp) == 1; }, 10000))
        << trace();
    EXPECT_EQ(viewsTraced(hidden).back(), viewsTraced(visible).back());
    EXPECT_EQ(viewsTraced(caughtUp).back(), viewsTraced(visible).back());
    runAll(300);
    EXPECT_EQ(traced(hidden), hiddenBefore + 1) << "another page went hidden";

    // Four closed: the other four keep working, in the same helper.
    for (int i = 0; i < 4; ++i) remove(editors_[i]);
    runAll(2500);  // longer than the helper lingers with no editor
    ASSERT_EQ(helperPids(), std::vector<int>{helper});
    for (int i = 4; i < EDITORS; ++i) editors_[i].rig->controller->setParamNormalized(LEVEL, 0.5 + 0.0625 * (i - 3));
    ASSERT_TRUE(runUntil(
        [&] {
            for (int i = 4; i < EDITORS; ++i)
                if (traced(shown(0.5 + 0.0625 * (i - 3))) == 0) return false;
            return true;
        },
        20000))
        << trace();
    const double seventh = editors_[7].rig->normalized(LEVEL);
    ASSERT_TRUE(editors_[7].window->click(40 + 680 * 8 / 10, 60));
    ASSERT_TRUE(runUntil([&] { return editors_[7].rig->normalized(LEVEL) != seventh; }, 10000)) << trace();
    EXPECT_NEAR(editors_[7].rig->normalized(LEVEL), 0.8, 0.05);

    // The four pages share one web process. Its crash reaches each of them; the helper stays and
    // the editors attached again show their pages in it.
    const std::vector<int> web = webProcessesOf(helper);
    ASSERT_EQ(web.size(), 1u) << "the views do not share their web process";
    testing::internal::CaptureStderr();
    ::kill(web.front(), SIGKILL);
    const bool allLost = runUntil(
        [&] {
            for (int i = 4; i < EDITORS; ++i)
                if (editors_[i].rig->loop->fdHandlerCount() != 0) return false;
            return true;
        },
        10000);
    const std::string crashText = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(allLost) << "an editor did not hear of its page's end";
    EXPECT_EQ(occurrences(crashText, "editor failed: webview web process ended"), 4u) << crashText;
    EXPECT_EQ(helperPids(), std::vector<int>{helper});
    const std::size_t hellosBeforeCrash = traced("delivered {\"type\":\"velmo.hello\"");
    for (int i = 4; i < EDITORS; ++i) {
        remove(editors_[i]);
        attach(editors_[i]);
    }
    ASSERT_TRUE(runUntil([&] { return traced("delivered {\"type\":\"velmo.hello\"") == hellosBeforeCrash + 4; },
                         30000))
        << trace();
    EXPECT_EQ(helperPids(), std::vector<int>{helper});

    // The helper killed: each open editor hears it, the host goes on, the next attach starts a
    // new helper.
    testing::internal::CaptureStderr();
    ::kill(helper, SIGKILL);
    const bool collected = runUntil(
        [&] {
            if (!helperPids().empty()) return false;
            for (Editor& e : editors_)
                if (e.rig->loop->fdHandlerCount() != 0) return false;
            return true;
        },
        10000);
    const std::string stderrText = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(collected) << "the dead helper was not collected, or an editor still watches it";
    EXPECT_EQ(occurrences(stderrText, "editor failed: webview helper exited"), 4u) << stderrText;
    for (int i = 4; i < EDITORS; ++i) remove(editors_[i]);
    const std::size_t hellosBefore = traced("delivered {\"type\":\"velmo.hello\"");
    attach(editors_[0]);
    attach(editors_[6]);
    ASSERT_TRUE(runUntil([&] { return traced("delivered {\"type\":\"velmo.hello\"") == hellosBefore + 2; }, 30000))
        << trace();
    ASSERT_EQ(helperPids().size(), 1u);
    EXPECT_NE(helperPids().front(), helper);

    // All closed: the helper exits by itself.
    remove(editors_[0]);
    remove(editors_[6]);
    EXPECT_TRUE(runUntil([] { return helperPids().empty(); }, 10000)) << "the helper outlived its editors";
}

}  // namespace
}  // namespace velmo::test
