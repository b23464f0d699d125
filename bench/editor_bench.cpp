// The editor as a Linux host opens it, on a private Xvfb: the time from attached() to the hello
// delivered in the page, the host process's added memory, and the CPU of host and helper (with
// WebKit's processes) while the editor sits idle.
#ifdef ZURIZ_HAVE_HOST_WINDOW
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/run_loop_manual.h"
#include "pluginterfaces/gui/iplugview.h"
#include "tools/host/module_loader.h"
#include "tools/host/plug_frame.h"
#include "tools/host/process_stats.h"
#include "tools/host/x11_test_window.h"
#include "tools/host/xvfb_server.h"

namespace {

using namespace velmo;
using Clock = std::chrono::steady_clock;

constexpr const char* HELLO_DELIVERED = "delivered {\"type\":\"velmo.hello\"";

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The built bundle's editor in a host window, with the host's run loop driven here.
class EditorHost {
public:
    bool open(std::string& error) {
        server_ = host::XvfbServer::start(&error);
        if (server_ == nullptr) return false;
        trace_ = std::filesystem::temp_directory_path() / ("zuriz-bench-webview-" + std::to_string(::getpid()));
        ::setenv("VELMO_WEBVIEW_TRACE", trace_.c_str(), 1);
        module_ = host::PluginModule::open(ZURIZ_BUNDLE_DIR, &error);
        if (module_ == nullptr) return false;
        plugin_ = host::PluginInstance::create(*module_, &error, "zuriz-bench");
        if (plugin_ == nullptr) return false;
        window_ = host::X11TestWindow::open(760, 620);
        frame_ = Steinberg::owned(new host::TestPlugFrame(loop_));
        view_ = Steinberg::owned(plugin_->controller()->createView("editor"));
        if (window_ == nullptr || view_ == nullptr) {
            error = "no host window or no editor view";
            return false;
        }
        view_->setFrame(frame_);
        return true;
    }

    ~EditorHost() {
        if (view_ != nullptr) {
            remove();
            view_->setFrame(nullptr);
        }
        view_ = nullptr;
        plugin_.reset();
        module_.reset();
        std::filesystem::remove(trace_);
    }

    // Milliseconds from attached() to the hello delivered; negative on failure.
    double attachToHello() {
        const std::size_t before = hellos();
        const Clock::time_point start = Clock::now();
        if (view_->attached(window_->parentHandle(), "X11EmbedWindowID") != Steinberg::kResultTrue) return -1.0;
        while (hellos() == before) {
            if (msSince(start) > 60000) return -1.0;
            loop_->runFor(5);
        }
        return msSince(start);
    }

    void remove() {
        view_->removed();
        const Clock::time_point start = Clock::now();
        while (!host::childProcessesNamed("zuriz-webview").empty() && msSince(start) < 5000) loop_->runFor(10);
        loop_->runFor(50);  // the collector's timer goes with its last child
    }

    void run(double ms) { loop_->runFor(ms); }

private:
    std::size_t hellos() const { return host::countTraceLines(trace_.string(), HELLO_DELIVERED); }

    std::unique_ptr<host::XvfbServer> server_;
    std::filesystem::path trace_;
    std::shared_ptr<ManualRunLoop> loop_ = std::make_shared<ManualRunLoop>();
    std::unique_ptr<host::PluginModule> module_;
    std::unique_ptr<host::PluginInstance> plugin_;
    std::unique_ptr<host::X11TestWindow> window_;
    Steinberg::IPtr<host::TestPlugFrame> frame_;
    Steinberg::IPtr<Steinberg::IPlugView> view_;
};

void editorAttachToHello(benchmark::State& state) {
    EditorHost editor;
    std::string error;
    if (!editor.open(error)) return state.SkipWithError(error.c_str());
    long addedKb = 0;
    for (auto _ : state) {
        const long kbBefore = host::residentKb();
        const double ms = editor.attachToHello();
        if (ms < 0.0) return state.SkipWithError("the hello never reached the page");
        state.SetIterationTime(ms / 1000.0);
        addedKb = std::max(addedKb, host::residentKb() - kbBefore);  // the first open costs most
        editor.remove();
    }
    state.counters["host_added_kb"] = static_cast<double>(addedKb);
}
BENCHMARK(editorAttachToHello)
    ->Name("plugin/editor_attach_to_hello")
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

void editorIdleCpu(benchmark::State& state) {
    EditorHost editor;
    std::string error;
    if (!editor.open(error)) return state.SkipWithError(error.c_str());
    for (auto _ : state) {
        if (editor.attachToHello() < 0.0) return state.SkipWithError("the hello never reached the page");
        editor.run(8000);  // WebKit's start-up work goes on for seconds after the first paint
        const auto helpers = host::childProcessesNamed("zuriz-webview");
        if (helpers.size() != 1) return state.SkipWithError("no single helper");
        const double host0 = host::processCpuSeconds(::getpid());
        const double helper0 = host::processTreeCpuSeconds(helpers.front());
        const Clock::time_point start = Clock::now();
        editor.run(3000);
        const double seconds = msSince(start) / 1000.0;
        state.counters["host_cpu_pct"] = 100.0 * (host::processCpuSeconds(::getpid()) - host0) / seconds;
        state.counters["helper_cpu_pct"] = 100.0 * (host::processTreeCpuSeconds(helpers.front()) - helper0) / seconds;
        editor.remove();
    }
}
BENCHMARK(editorIdleCpu)->Name("plugin/editor_idle_cpu")->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
#endif
