// The editor as a Linux host opens it, on a private Xvfb: the time from attached() to the hello
// delivered in the page, the host process's added memory, and the CPU of host and helper (with
// WebKit's processes) while the editor sits idle; then many editors of many instances in one
// host process: the memory (PSS) of the helper and the web engine's processes, the first and a
// later editor's time to the hello, the idle CPU with every editor hidden.
// ZURIZ_BENCH_BUNDLE=/path/Zuriz.vst3 measures another build of the bundle (an earlier one, to
// compare).
#ifdef ZURIZ_HAVE_HOST_WINDOW
#include <benchmark/benchmark.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

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

const char* bundleDir() {
    const char* other = std::getenv("ZURIZ_BENCH_BUNDLE");
    return other != nullptr && *other != '\0' ? other : ZURIZ_BUNDLE_DIR;
}

std::vector<int> childrenOf(int pid) {
    std::vector<int> children;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        std::ifstream list(task.path() / "children");
        for (int child = 0; list >> child;) children.push_back(child);
    }
    return children;
}

// Proportional set size in kB of `pid` and everything it started.
long treePssKb(int pid) {
    long total = 0;
    std::ifstream rollup("/proc/" + std::to_string(pid) + "/smaps_rollup");
    for (std::string line; std::getline(rollup, line);)
        if (line.rfind("Pss:", 0) == 0) total += std::stol(line.substr(4));
    for (const int child : childrenOf(pid)) total += treePssKb(child);
    return total;
}

// The built bundle's editor in a host window, with the host's run loop driven here.
class EditorHost {
public:
    bool open(std::string& error) {
        server_ = host::XvfbServer::start(&error);
        if (server_ == nullptr) return false;
        trace_ = std::filesystem::temp_directory_path() / ("zuriz-bench-webview-" + std::to_string(::getpid()));
        ::setenv("VELMO_WEBVIEW_TRACE", trace_.c_str(), 1);
        module_ = host::PluginModule::open(bundleDir(), &error);
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

double monotonicMs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// The helper's "phase" trace lines since the trace was last emptied, as counters in ms after
// `attachedMs` (negative: before the attach, while the helper warmed up), averaged over
// `runs`: the first of each step, and the last file the scheme served. ZURIZ_BENCH_PHASES=1
// prints every step.
void addPhaseCounters(benchmark::State& state, const std::string& trace, double attachedMs, int runs) {
    std::map<std::string, double> first;
    std::istringstream lines(trace);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("phase ", 0) != 0) continue;
        std::size_t at = line.rfind(" @");
        if (at == std::string::npos) at = line.size();  // a helper of one editor names no view
        const std::size_t time = line.rfind(' ', at - 1);
        std::string name = line.substr(6, time - 6);
        const double ms = std::stod(line.substr(time + 1, at - time - 1)) - attachedMs;
        if (std::getenv("ZURIZ_BENCH_PHASES") != nullptr) std::fprintf(stderr, "%9.1f ms  %s\n", ms, name.c_str());
        if (name.rfind("served ", 0) == 0) {
            first["served_last"] = ms;
            if (first.count("served_first") == 0) first["served_first"] = ms;
            continue;
        }
        for (char& c : name)
            if (c == ' ' || c == '(' || c == ')') c = '_';
        if (first.count(name) == 0) first[name] = ms;
    }
    for (const auto& [name, ms] : first) state.counters[name + "_ms"] += ms / runs;
}

// Many instances of the bundle, each with its editor in a window of its own, one host loop.
class EditorsHost {
public:
    bool open(int instances, std::string& error) {
        server_ = host::XvfbServer::start(&error);
        if (server_ == nullptr) return false;
        trace_ = std::filesystem::temp_directory_path() / ("zuriz-bench-editors-" + std::to_string(::getpid()));
        ::setenv("VELMO_WEBVIEW_TRACE", trace_.c_str(), 1);
        module_ = host::PluginModule::open(bundleDir(), &error);
        if (module_ == nullptr) return false;
        host::HostSetup setup;
        setup.hostName = "zuriz-bench";
        setup.runLoop = loop_;
        for (int i = 0; i < instances; ++i) {
            Editor e;
            e.plugin = host::PluginInstance::create(*module_, setup, &error);
            e.window = host::X11TestWindow::open(760, 620);
            e.frame = Steinberg::owned(new host::TestPlugFrame(loop_));
            if (e.plugin == nullptr || e.window == nullptr) {
                if (error.empty()) error = "no instance or no window";
                return false;
            }
            editors_.push_back(std::move(e));
        }
        return true;
    }

    ~EditorsHost() {
        closeAll();
        editors_.clear();
        module_.reset();
        std::filesystem::remove(trace_);
    }

    // Milliseconds from attaching editor `i`'s view to its hello; the view is created just before,
    // as hosts do. Negative on failure.
    double openEditor(std::size_t i) {
        Editor& e = editors_[i];
        const std::size_t before = hellos();
        e.view = Steinberg::owned(e.plugin->controller()->createView("editor"));
        if (e.view == nullptr) return -1.0;
        e.view->setFrame(e.frame);
        attachedMs_ = monotonicMs();
        const Clock::time_point start = Clock::now();
        if (e.view->attached(e.window->parentHandle(), "X11EmbedWindowID") != Steinberg::kResultTrue) return -1.0;
        while (hellos() == before) {
            if (msSince(start) > 60000) return -1.0;
            loop_->runFor(2);
        }
        return msSince(start);
    }

    // Every editor closed, and the helpers gone.
    void closeAll() {
        for (Editor& e : editors_) {
            if (e.view == nullptr) continue;
            e.view->removed();
            e.view->setFrame(nullptr);
            e.view = nullptr;
        }
        const Clock::time_point start = Clock::now();
        while (!host::childProcessesNamed("zuriz-webview").empty() && msSince(start) < 10000) loop_->runFor(10);
        loop_->runFor(50);
    }

    bool closeOne(std::size_t i) {
        Editor& e = editors_[i];
        if (e.view == nullptr) return false;
        e.view->removed();
        e.view->setFrame(nullptr);
        e.view = nullptr;
        return true;
    }

    void setShown(bool shown) {
        for (Editor& e : editors_) e.window->setShown(shown);
    }

    long helpersPssKb() const {
        long total = 0;
        for (const int pid : host::childProcessesNamed("zuriz-webview")) total += treePssKb(pid);
        return total;
    }

    struct Cpu {
        double helpers = 0.0;  // the helpers and their processes
        double host = 0.0;     // this process: the instances and the host loop
    };
    // CPU over `ms` of the host loop, in % of one core.
    Cpu cpuPercent(double ms) {
        const auto sample = [] {
            Cpu now;
            now.host = host::processCpuSeconds(::getpid());
            for (const int pid : host::childProcessesNamed("zuriz-webview")) now.helpers += host::processTreeCpuSeconds(pid);
            return now;
        };
        const Cpu before = sample();
        const Clock::time_point start = Clock::now();
        loop_->runFor(ms);
        const Cpu after = sample();
        const double seconds = msSince(start) / 1000.0;
        return {100.0 * (after.helpers - before.helpers) / seconds, 100.0 * (after.host - before.host) / seconds};
    }

    void run(double ms) { loop_->runFor(ms); }

    double attachedMs() const { return attachedMs_; }
    std::string trace() const {
        std::ifstream file(trace_);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    void clearTrace() const { std::ofstream(trace_, std::ios::trunc); }

private:
    struct Editor {
        std::unique_ptr<host::PluginInstance> plugin;
        std::unique_ptr<host::X11TestWindow> window;
        Steinberg::IPtr<host::TestPlugFrame> frame;
        Steinberg::IPtr<Steinberg::IPlugView> view;
    };

    std::size_t hellos() const { return host::countTraceLines(trace_.string(), HELLO_DELIVERED); }

    std::unique_ptr<host::XvfbServer> server_;
    std::filesystem::path trace_;
    std::shared_ptr<ManualRunLoop> loop_ = std::make_shared<ManualRunLoop>();
    std::unique_ptr<host::PluginModule> module_;
    std::vector<Editor> editors_;
    double attachedMs_ = 0.0;
};

// PSS of every helper and web-engine process with N editors open (and settled), then the idle
// CPU of those processes with the N editors shown, and hidden without being removed.
void editorOpenEditorsPss(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    EditorsHost editors;
    std::string error;
    if (!editors.open(count, error)) return state.SkipWithError(error.c_str());
    for (auto _ : state) {
        // The same instances with no editor, for comparison with the hidden editors below.
        state.counters["no_editor_host_cpu_pct"] = editors.cpuPercent(10000).host;
        for (int i = 0; i < count; ++i)
            if (editors.openEditor(static_cast<std::size_t>(i)) < 0.0)
                return state.SkipWithError("the hello never reached a page");
        editors.run(4000);  // WebKit's start-up work goes on after the first paint
        state.counters["pss_mb"] = static_cast<double>(editors.helpersPssKb()) / 1024.0;
        state.counters["shown_idle_cpu_pct"] = editors.cpuPercent(3000).helpers;
        editors.setShown(false);
        editors.run(1000);
        // Hidden, the host's instances and the helper's processes together, over ten seconds.
        const EditorsHost::Cpu hidden = editors.cpuPercent(10000);
        state.counters["hidden_idle_cpu_pct"] = hidden.helpers + hidden.host;
        state.counters["hidden_host_cpu_pct"] = hidden.host;
        editors.setShown(true);
        editors.closeAll();
    }
}
BENCHMARK(editorOpenEditorsPss)
    ->Name("editor/open_editors_pss")
    ->Arg(1)
    ->Arg(4)
    ->Arg(8)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// The first editor of the host process: no helper runs yet.
void editorAttachToHelloFirst(benchmark::State& state) {
    EditorsHost editors;
    std::string error;
    if (!editors.open(1, error)) return state.SkipWithError(error.c_str());
    double total = 0.0;
    const int runs = static_cast<int>(state.max_iterations);
    for (auto _ : state) {
        editors.clearTrace();
        const double ms = editors.openEditor(0);
        if (ms < 0.0) return state.SkipWithError("the hello never reached the page");
        state.SetIterationTime(ms / 1000.0);
        total += ms;
        addPhaseCounters(state, editors.trace(), editors.attachedMs(), runs);
        editors.closeAll();
    }
    state.counters["ms"] = total / static_cast<double>(state.iterations());
}
BENCHMARK(editorAttachToHelloFirst)
    ->Name("editor/attach_to_hello_first")
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

// A later editor: another instance's editor is open.
void editorAttachToHelloNext(benchmark::State& state) {
    EditorsHost editors;
    std::string error;
    if (!editors.open(2, error)) return state.SkipWithError(error.c_str());
    if (editors.openEditor(0) < 0.0) return state.SkipWithError("the hello never reached the first page");
    editors.run(2000);
    double total = 0.0;
    const int runs = static_cast<int>(state.max_iterations);
    for (auto _ : state) {
        editors.clearTrace();
        const double ms = editors.openEditor(1);
        if (ms < 0.0) return state.SkipWithError("the hello never reached the page");
        state.SetIterationTime(ms / 1000.0);
        total += ms;
        addPhaseCounters(state, editors.trace(), editors.attachedMs(), runs);
        state.PauseTiming();
        if (!editors.closeOne(1)) return state.SkipWithError("the editor did not close");
        editors.run(500);
        state.ResumeTiming();
    }
    state.counters["ms"] = total / static_cast<double>(state.iterations());
}
BENCHMARK(editorAttachToHelloNext)
    ->Name("editor/attach_to_hello_next")
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace
#endif
