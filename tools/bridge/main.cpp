// zuriz-bridge: the Zuriz controller and processor as a host runs them, without an editor,
// speaking the editor page's line protocol on standard input and output.
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/run_loop_manual.h"
#include "platform/standard_input.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "tools/bridge/bridge_options.h"
#include "tools/bridge/host_commands.h"
#include "tools/bridge/host_events.h"
#include "tools/bridge/page_lines.h"
#include "tools/bridge/realtime_audio.h"
#include "tools/host/bridge_api.h"
#include "tools/host/bundle_lookup.h"
#include "tools/host/module_loader.h"

namespace {

using namespace velmo;
using namespace velmo::bridge;

int fail(const std::string& message) {
    std::fprintf(stderr, "zuriz-bridge: %s\n", message.c_str());
    return 1;
}

void writeDocument(void*, const char* text, std::size_t length) {
    const std::string line = asOneLine(std::string_view(text, length));
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// What a host does when the controller asks for a restart: a reload or a change of buses or
// latency means processing is set up again; changed values or titles need nothing here (the
// controller tells the page itself).
bool restartIfAsked(Steinberg::int32 flags, RealtimeAudio& audio, const BridgeOptions& options) {
    using namespace Steinberg::Vst;
    if ((flags & (kReloadComponent | kIoChanged | kLatencyChanged)) == 0) return true;
    std::fprintf(stderr, "zuriz-bridge: the plug-in asked for a restart (flags 0x%x); setting up again\n",
                 static_cast<unsigned>(flags));
    std::string error;
    if (audio.start(options, error)) return true;
    std::fprintf(stderr, "zuriz-bridge: %s\n", error.c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    BridgeOptions options;
    std::string error;
    switch (parseBridgeOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        case BridgeParse::Help: std::fputs(bridgeHelpText(), stdout); return 0;
        case BridgeParse::Error: std::fprintf(stderr, "zuriz-bridge: %s\n", error.c_str()); return 2;
        case BridgeParse::Run: break;
    }

    const std::string bundle = options.bundle.empty() ? host::defaultBundlePath() : options.bundle;
    auto module = host::PluginModule::open(bundle, &error);
    if (!module) return fail(error);
    const host::BridgeApi api = host::bridgeApiOf(*module);
    if (api.installSink == nullptr || api.deliver == nullptr)
        return fail(module->binaryPath() + " exports no diagnostic bridge");

    // The plug-in's clocks run on this loop, which the main thread moves with the wall clock.
    auto loop = std::make_shared<ManualRunLoop>();
    HostEventQueue queue;
    auto handler = Steinberg::owned(new BridgeComponentHandler(queue));
    host::HostSetup setup;
    setup.hostName = "zuriz-bridge";
    setup.runLoop = loop;
    setup.handler = handler;
    auto plugin = host::PluginInstance::create(*module, setup, &error);
    if (!plugin) return fail(error);
    Steinberg::Vst::IEditController* controller = plugin->controller();
    if (api.installSink(controller, &writeDocument, nullptr) != 1)
        return fail(module->binaryPath() + ": the controller refused the page sink");

    int status = 0;
    {
        RealtimeAudio audio(*plugin, queue);
        if (!audio.start(options, error)) {
            api.installSink(controller, nullptr, nullptr);
            return fail(error);
        }
        HostCommands commands(controller, queue);
        const LineSplitter::LineHandler onLine = [&](std::string_view line) {
            if (commands.handle(line)) return;
            // The controller reports malformed messages itself and changes nothing for them.
            api.deliver(controller, line.data(), line.size());
        };

        LineSplitter lines;
        std::vector<char> buffer(1 << 16);
        auto last = std::chrono::steady_clock::now();
        for (;;) {
            const auto now = std::chrono::steady_clock::now();
            loop->advance(std::chrono::duration<double, std::milli>(now - last).count());
            last = now;
            if (!restartIfAsked(handler->takeRestartFlags(), audio, options)) {
                status = 1;
                break;
            }
            std::size_t got = 0;
            const InputRead read = readStandardInput(buffer.data(), buffer.size(), 10, got);
            if (read == InputRead::Data) lines.feed(buffer.data(), got, onLine);
            if (read == InputRead::End) {
                lines.finish(onLine);
                break;
            }
            if (read == InputRead::Failed) {
                status = fail("cannot read standard input");
                break;
            }
        }
        api.installSink(controller, nullptr, nullptr);
        audio.stop();
        std::fprintf(stderr, "zuriz-bridge: %llu blocks rendered, %llu failed\n",
                     static_cast<unsigned long long>(audio.blocks()),
                     static_cast<unsigned long long>(audio.failedBlocks()));
    }  // the audio thread is joined and the plug-in deactivated here
    plugin.reset();
    module.reset();
    return status;
}
