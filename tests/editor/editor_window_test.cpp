// The editor end to end, as a Linux host shows it: the built bundle (copied, so faults can be
// staged in it) loaded by our host library, its "editor" view attached to a bare X11 window on
// a private Xvfb, the plug frame offering a run loop that the test drives. The page is the
// bundle's own when it ships one, else the test page next to this file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

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
constexpr const char* HELLO_DELIVERED = "delivered {\"type\":\"velmo.hello\"";

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::vector<int> helperPids() { return host::childProcessesNamed("zuriz-webview"); }

class EditorWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        display_ = host::XvfbServer::start(&displayError_).release();
        folder_ = new ScratchDir;
        bundle_ = fs::path(folder_->path()) / "Zuriz.vst3";
        fs::copy(ZURIZ_BUNDLE_DIR, bundle_, fs::copy_options::recursive);
        const fs::path ui = bundle_ / "Contents" / "Resources" / "ui";
        ownPage_ = !fs::exists(ui / "index.html");
        if (ownPage_) {
            fs::create_directories(ui);
            fs::copy(ZURIZ_EDITOR_FIXTURE_UI, ui, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        }
        trace_ = folder_->file("webview-trace.txt");
        ::setenv("VELMO_WEBVIEW_TRACE", trace_.c_str(), 1);
    }

    static void TearDownTestSuite() {
        delete display_;
        display_ = nullptr;
        delete folder_;
        folder_ = nullptr;
    }

    void SetUp() override {
        ASSERT_NE(display_, nullptr) << "no X server for the editor tests: " << displayError_;
        std::string error;
        module_ = host::PluginModule::open(bundle_.string(), &error);
        ASSERT_NE(module_, nullptr) << error;
        rig_ = std::make_unique<BundleRig>(*module_);
        window_ = host::X11TestWindow::open(760, 620);
        ASSERT_NE(window_, nullptr);
        frame_ = owned(new host::TestPlugFrame(rig_->loop));
        createView();
        std::ofstream(trace_, std::ios::trunc);
    }

    void createView() {
        view_ = owned(rig_->controller->createView("editor"));
        ASSERT_NE(view_, nullptr);
        EXPECT_EQ(view_->setFrame(frame_), kResultOk);
    }

    // The view released, and the helper its creation started gone again.
    void dropViewAndHelper() {
        view_->setFrame(nullptr);
        view_ = nullptr;
        ASSERT_TRUE(runUntil([] { return helperPids().empty(); }, 10000));
    }

    void TearDown() override {
        if (view_ != nullptr) {
            view_->removed();
            view_->setFrame(nullptr);
            view_ = nullptr;
        }
        runUntil([] { return helperPids().empty(); }, 10000);
        EXPECT_TRUE(helperPids().empty()) << "a helper process is left";
        rig_.reset();
        module_.reset();
        window_.reset();
    }

    // Drives the host's run loop until `done` or `ms` have passed.
    bool runUntil(const std::function<bool()>& done, double ms) {
        const Clock::time_point start = Clock::now();
        while (!done()) {
            if (msSince(start) > ms) return false;
            rig_->loop->runFor(10);
        }
        return true;
    }

    std::string trace() const { return readTextFile(trace_.string()); }
    std::size_t traced(const std::string& line) const { return host::countTraceLines(trace_.string(), line); }

    // Attaches and waits until the page has the hello; the time it took, or a negative number.
    double attachAndGreet() {
        const std::size_t before = traced(HELLO_DELIVERED);
        const Clock::time_point start = Clock::now();
        if (view_->attached(window_->parentHandle(), X11) != kResultTrue) return -1.0;
        if (!runUntil([&] { return traced(HELLO_DELIVERED) > before; }, 30000)) return -1.0;
        return msSince(start);
    }

    // Waits until the window shows something and stops changing (the page has built itself).
    host::Capture waitForSettledPage() {
        host::Capture shot;
        runUntil(
            [&] {
                const host::Capture before = window_->capture();
                rig_->loop->runFor(400);
                shot = window_->capture();
                return shot.variance() > 100.0 && shot.differenceFrom(before) == 0.0;
            },
            30000);
        return shot;
    }

    static host::XvfbServer* display_;
    static std::string displayError_;
    static ScratchDir* folder_;
    static fs::path bundle_;
    static fs::path trace_;
    static bool ownPage_;

    std::unique_ptr<host::PluginModule> module_;
    std::unique_ptr<BundleRig> rig_;
    std::unique_ptr<host::X11TestWindow> window_;
    IPtr<host::TestPlugFrame> frame_;
    IPtr<IPlugView> view_;
};

host::XvfbServer* EditorWindowTest::display_ = nullptr;
std::string EditorWindowTest::displayError_;
ScratchDir* EditorWindowTest::folder_ = nullptr;
fs::path EditorWindowTest::bundle_;
fs::path EditorWindowTest::trace_;
bool EditorWindowTest::ownPage_ = false;

TEST_F(EditorWindowTest, PageShownEditedBothWaysResizedAndReattached) {
    const long kbBefore = host::residentKb();
    const double helloMs = attachAndGreet();
    ASSERT_GT(helloMs, 0.0) << "no hello reached the page; helper trace:\n" << trace();
    const long kbAdded = host::residentKb() - kbBefore;
    EXPECT_EQ(traced("page {\"type\":\"velmo.ready\""), 1u);
    ASSERT_EQ(helperPids().size(), 1u);
    const int helper = helperPids().front();

    // Painted inside the host's window, not merely running.
    host::Capture shot = waitForSettledPage();
    fs::create_directories(ZURIZ_EDITOR_ARTIFACTS);
    EXPECT_TRUE(shot.writePpm(std::string(ZURIZ_EDITOR_ARTIFACTS) + "/editor.ppm"));
    EXPECT_GT(shot.variance(), 100.0) << "the embedded editor shows a blank window";

    // Idle: the host's loop runs its timers, the page waits (after WebKit's start-up work, which
    // goes on for seconds after the first paint).
    rig_->loop->runFor(8000);
    const double hostCpu0 = host::processCpuSeconds(::getpid());
    const double helperCpu0 = host::processTreeCpuSeconds(helper);
    const Clock::time_point idleStart = Clock::now();
    rig_->loop->runFor(3000);
    const double idleSeconds = msSince(idleStart) / 1000.0;
    const double hostIdle = 100.0 * (host::processCpuSeconds(::getpid()) - hostCpu0) / idleSeconds;
    const double helperIdle = 100.0 * (host::processTreeCpuSeconds(helper) - helperCpu0) / idleSeconds;
    std::printf("editor: attached -> hello %.0f ms; host memory +%ld kB; idle CPU host %.2f %%, helper %.2f %%\n",
                helloMs, kbAdded, hostIdle, helperIdle);
    RecordProperty("hello_ms", static_cast<int>(helloMs));
    RecordProperty("host_added_kb", static_cast<int>(kbAdded));
    // Reported, not asserted: CPU use on a shared machine says little about the editor.
    RecordProperty("idle_cpu_percent_x100", static_cast<int>((hostIdle + helperIdle) * 100.0));

    // Page -> controller: a real click on the page's "Level" slider, 30 % along its track (the
    // track's place in the bundle's page at 760 x 620, or in the test page).
    struct Track {
        int left, right, y;
    };
    const Track level = ownPage_ ? Track{40, 720, 60} : Track{114, 265, 506};
    rig_->edits.clear();
    const double before = rig_->normalized(LEVEL);
    ASSERT_TRUE(window_->click(level.left + (level.right - level.left) * 3 / 10, level.y))
        << "the X server has no XTest";
    ASSERT_TRUE(runUntil([&] { return rig_->normalized(LEVEL) != before; }, 10000)) << trace();
    EXPECT_NEAR(rig_->normalized(LEVEL), 0.3, 0.05);
    ASSERT_TRUE(runUntil([&] { return !rig_->edits.empty() && rig_->edits.back().kind == EditRecord::End; }, 5000));
    EXPECT_EQ(rig_->edits.front().kind, EditRecord::Begin);
    EXPECT_EQ(rig_->edits.front().id, LEVEL);
    waitForSettledPage();

    // Controller -> page: the host moves the parameter, the page's control follows.
    const host::Capture beforeChange = window_->capture();
    rig_->controller->setParamNormalized(LEVEL, 0.9);
    ASSERT_TRUE(runUntil([&] { return traced("delivered {\"type\":\"velmo.paramChanged\"") > 0; }, 5000));
    if (ownPage_) {
        ASSERT_TRUE(runUntil([&] { return traced("page {\"type\":\"velmo.test.shown\",\"value\":0.9}") > 0; }, 5000));
    }
    EXPECT_TRUE(runUntil([&] { return window_->capture().differenceFrom(beforeChange) > 0.002; }, 10000))
        << "the page did not change on screen";

    // Resize: the host grows its window and the view; the page fills the new width.
    ViewRect wide{0, 0, 1000, 700};
    window_->resize(1000, 700);
    ASSERT_EQ(view_->onSize(&wide), kResultOk);
    ViewRect size;
    view_->getSize(&size);
    EXPECT_EQ(size.getWidth(), 1000);
    EXPECT_TRUE(runUntil([&] { return window_->capture().meanGrey(800, 300, 190, 390) > 10.0; }, 10000))
        << "the grown part of the window stays black";

    // Remove and attach again: a new helper, one view timer beside the controller's clock.
    view_->removed();
    ASSERT_TRUE(runUntil([] { return helperPids().empty(); }, 10000)) << "the helper did not exit";
    EXPECT_EQ(rig_->loop->fdHandlerCount(), 0u);
    ASSERT_GT(attachAndGreet(), 0.0) << trace();
    ASSERT_EQ(helperPids().size(), 1u);
    EXPECT_NE(helperPids().front(), helper);
    EXPECT_EQ(view_->attached(window_->parentHandle(), X11), kResultTrue);  // attached twice in a row
    ASSERT_TRUE(runUntil([&] { return helperPids().size() == 1 && rig_->loop->timerCount() == 2; }, 10000))
        << rig_->loop->timerCount() << " timers";
    EXPECT_GT(waitForSettledPage().variance(), 100.0);
}

TEST_F(EditorWindowTest, MissingHelperRefusedThenAttachWorksWhenBack) {
    // The helper starts when a view is created: the view of this test is created without it.
    dropViewAndHelper();
    const fs::path helper = bundle_ / "Contents" / "x86_64-linux" / "zuriz-webview";
    fs::rename(helper, helper.string() + ".away");
    createView();
    testing::internal::CaptureStderr();
    const tresult answer = view_->attached(window_->parentHandle(), X11);
    const std::string stderrText = testing::internal::GetCapturedStderr();
    fs::rename(helper.string() + ".away", helper);
    EXPECT_EQ(answer, kResultFalse);
    EXPECT_NE(stderrText.find("velmo-plugin-shell: editor failed: webview helper missing"), std::string::npos)
        << stderrText;
    EXPECT_EQ(rig_->loop->fdHandlerCount(), 0u);
    EXPECT_GT(attachAndGreet(), 0.0) << trace();
}

TEST_F(EditorWindowTest, KilledHelperReportedThenAttachWorks) {
    ASSERT_GT(attachAndGreet(), 0.0) << trace();
    ASSERT_EQ(helperPids().size(), 1u);
    testing::internal::CaptureStderr();
    ::kill(helperPids().front(), SIGKILL);
    const bool gone = runUntil([&] { return helperPids().empty() && rig_->loop->fdHandlerCount() == 0; }, 10000);
    const std::string stderrText = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(gone) << "the dead helper was not collected";
    EXPECT_NE(stderrText.find("webview helper exited"), std::string::npos) << stderrText;
    // The host still has a controller that answers, and a new attach brings the page back.
    rig_->controller->setParamNormalized(LEVEL, 0.3);
    EXPECT_EQ(view_->removed(), kResultOk);
    EXPECT_GT(attachAndGreet(), 0.0) << trace();
}

TEST_F(EditorWindowTest, UnavailableDisplayReportedThenAttachWorks) {
    dropViewAndHelper();
    const std::string display = std::getenv("DISPLAY");
    ::setenv("DISPLAY", ":1999", 1);  // nothing listens there
    createView();
    testing::internal::CaptureStderr();
    const tresult answer = view_->attached(window_->parentHandle(), X11);
    const bool gone =
        runUntil([&] { return helperPids().empty() && rig_->loop->fdHandlerCount() == 0; }, 5000);
    const std::string stderrText = testing::internal::GetCapturedStderr();
    ::setenv("DISPLAY", display.c_str(), 1);
    // The helper starts, finds no display and says so: the view stays attached and empty.
    EXPECT_EQ(answer, kResultTrue);
    ASSERT_TRUE(gone);
    EXPECT_NE(stderrText.find("webview display unavailable"), std::string::npos) << stderrText;
    EXPECT_EQ(view_->removed(), kResultOk);
    EXPECT_GT(attachAndGreet(), 0.0) << trace();
}

}  // namespace
}  // namespace velmo::test
