// Closing and unloading as JUCE-based hosts do: the editor is removed while its helper is still
// exiting, the host destroys the plug frame's run loop, releases the instance and unloads the
// module. Our harness shows the editor in a bare X11 window on a private Xvfb; the bundle's
// helper is replaced (in a copy) by a stand-in that outlives the end of its link.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/run_loop_manual.h"
#include "platform/run_loop_offer.h"
#include "pluginterfaces/gui/iplugview.h"
#include "scratch_dir.h"
#include "tools/host/module_loader.h"
#include "tools/host/plug_frame.h"
#include "tools/host/x11_test_window.h"
#include "tools/host/xvfb_server.h"

namespace velmo::test {
namespace {

namespace fs = std::filesystem;
using namespace Steinberg;
using Clock = std::chrono::steady_clock;

// Notes its pid next to itself, then ignores its link closing and polite signals: only SIGKILL
// ends it early.
constexpr const char* SLOW_HELPER =
    "#!/bin/sh\n"
    "echo $$ >> \"$(dirname \"$0\")/helper-pids\"\n"
    "trap '' TERM HUP INT PIPE\n"
    "exec sleep 60\n";

// The host's run loop as JUCE-based hosts keep it: the host owns it whatever its reference count,
// and once the host has destroyed it, any call into it is fatal. Here such a call fails the test
// and is refused, so the test still cleans up after itself.
class HostOwnedRunLoop final : public Linux::IRunLoop {
public:
    explicit HostOwnedRunLoop(const std::shared_ptr<ManualRunLoop>& loop) : offered_(owned(offerRunLoop(loop))) {}

    void destroy() {
        offered_ = nullptr;
        destroyed_ = true;
    }
    int references() const { return references_; }

    tresult PLUGIN_API registerEventHandler(Linux::IEventHandler* handler, Linux::FileDescriptor fd) override {
        if (!live("registerEventHandler")) return kResultFalse;
        return offered_->registerEventHandler(handler, fd);
    }
    tresult PLUGIN_API unregisterEventHandler(Linux::IEventHandler* handler) override {
        if (!live("unregisterEventHandler")) return kResultFalse;
        return offered_->unregisterEventHandler(handler);
    }
    tresult PLUGIN_API registerTimer(Linux::ITimerHandler* handler, Linux::TimerInterval ms) override {
        if (!live("registerTimer")) return kResultFalse;
        return offered_->registerTimer(handler, ms);
    }
    tresult PLUGIN_API unregisterTimer(Linux::ITimerHandler* handler) override {
        if (!live("unregisterTimer")) return kResultFalse;
        return offered_->unregisterTimer(handler);
    }
    tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override {
        const bool known =
            FUnknownPrivate::iidEqual(iid, Linux::IRunLoop::iid) || FUnknownPrivate::iidEqual(iid, FUnknown::iid);
        if (!live("queryInterface") || !known) {
            *obj = nullptr;
            return kNoInterface;
        }
        addRef();
        *obj = static_cast<Linux::IRunLoop*>(this);
        return kResultOk;
    }
    uint32 PLUGIN_API addRef() override { return live("addRef") ? static_cast<uint32>(++references_) : 0; }
    uint32 PLUGIN_API release() override { return live("release") ? static_cast<uint32>(--references_) : 0; }

private:
    bool live(const char* call) const {
        if (destroyed_) ADD_FAILURE() << "IRunLoop::" << call << " called after the host destroyed its run loop";
        return !destroyed_;
    }

    IPtr<Linux::IRunLoop> offered_;
    int references_ = 0;
    bool destroyed_ = false;
};

// Gone for good: ended and collected (a zombie still has its /proc entry).
bool collected(int pid) { return !fs::exists("/proc/" + std::to_string(pid)); }

bool mapped(const std::string& file) {
    return readTextFile("/proc/self/maps").find(fs::canonical(file).string()) != std::string::npos;
}

std::vector<int> helperPids(const fs::path& bundle) {
    std::vector<int> pids;
    std::ifstream list(bundle / "Contents" / "x86_64-linux" / "helper-pids");
    for (int pid = 0; list >> pid;) pids.push_back(pid);
    return pids;
}

TEST(EditorUnload, HelperStillExitingWhenTheHostDestroysItsLoopAndUnloads) {
    std::string error;
    const std::unique_ptr<host::XvfbServer> display = host::XvfbServer::start(&error);
    ASSERT_NE(display, nullptr) << "no X server: " << error;
    const auto window = host::X11TestWindow::open(760, 620);
    ASSERT_NE(window, nullptr);

    ScratchDir folder;
    const fs::path bundle = fs::path(folder.path()) / "Zuriz.vst3";
    fs::copy(ZURIZ_BUNDLE_DIR, bundle, fs::copy_options::recursive);
    const fs::path helper = bundle / "Contents" / "x86_64-linux" / "zuriz-webview";
    fs::remove(helper);
    std::ofstream(helper) << SLOW_HELPER;
    fs::permissions(helper, fs::perms::owner_all);

    // Outlives everything below: after destroy() it stays only to catch late calls.
    auto manual = std::make_shared<ManualRunLoop>();
    HostOwnedRunLoop hostLoop(manual);

    auto module = host::PluginModule::open(bundle.string(), &error, SharedLibrary::OnClose::Unload);
    ASSERT_NE(module, nullptr) << error;
    const std::string binary = module->binaryPath();
    host::HostSetup setup;  // the context offers no run loop: the controller borrows the frame's
    setup.hostName = "JUCE-like host";
    auto instance = host::PluginInstance::create(*module, setup, &error);
    ASSERT_NE(instance, nullptr) << error;
    auto frame = owned(new host::TestPlugFrame(&hostLoop));
    const int frameReferences = hostLoop.references();
    auto view = owned(instance->controller()->createView("editor"));
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(view->setFrame(frame), kResultOk);

    // Shown, then closed: the view lets go of the frame's loop at once, and the helper that
    // does not exit is killed and collected two seconds after it was let go (it lingers a
    // moment with no editor first), with no run loop turning.
    ASSERT_EQ(view->attached(window->parentHandle(), "X11EmbedWindowID"), kResultTrue);
    manual->runFor(200);
    EXPECT_EQ(manual->timerCount(), 2u) << "the view's timer and the controller's clock";
    EXPECT_EQ(manual->fdHandlerCount(), 1u);
    ASSERT_EQ(view->removed(), kResultOk);
    const Clock::time_point closed = Clock::now();
    EXPECT_EQ(manual->timerCount(), 0u);
    EXPECT_EQ(manual->fdHandlerCount(), 0u);
    EXPECT_EQ(hostLoop.references(), frameReferences) << "a reference of the frame's loop is kept";
    ASSERT_EQ(helperPids(bundle).size(), 1u);
    const int first = helperPids(bundle).front();
    while (!collected(first) && Clock::now() - closed < std::chrono::seconds(8))
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(collected(first)) << "helper " << first << " left behind";
    EXPECT_GE(Clock::now() - closed, std::chrono::milliseconds(1900)) << "killed before its time";

    // Shown again and closed while the helper is still running; then the host tears down.
    ASSERT_EQ(view->attached(window->parentHandle(), "X11EmbedWindowID"), kResultTrue);
    manual->runFor(200);
    ASSERT_EQ(view->removed(), kResultOk);
    ASSERT_EQ(helperPids(bundle).size(), 2u);
    const int second = helperPids(bundle).back();
    EXPECT_FALSE(collected(second));
    view->setFrame(nullptr);
    view = nullptr;
    frame = nullptr;
    EXPECT_EQ(hostLoop.references(), 0);
    hostLoop.destroy();
    instance.reset();
    module.reset();  // ModuleExit, then dlclose: the module's static destructors run now

    EXPECT_FALSE(mapped(binary)) << "the module stayed loaded";
    EXPECT_TRUE(collected(second)) << "helper " << second << " left behind";
}

}  // namespace
}  // namespace velmo::test
