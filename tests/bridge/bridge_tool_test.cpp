// zuriz-bridge as its users run it: a child process spoken to over pipes, one JSON message per
// line in, one page document per line out; and its host side in process, proving that the
// controller's edits reach the processor on the tool's audio thread.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/bridge/bundle_rig.h"
#include "tools/bridge/host_events.h"
#include "tools/bridge/page_lines.h"
#include "tools/bridge/realtime_audio.h"
#include "tools/host/memory_streams.h"

namespace {

using namespace std::chrono_literals;

class BridgeProcess {
public:
    explicit BridgeProcess(std::vector<std::string> args) {
        int in[2];
        int out[2];
        if (::pipe(in) != 0 || ::pipe(out) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in[0], STDIN_FILENO);
            ::dup2(out[1], STDOUT_FILENO);
            ::close(in[1]);
            ::close(out[0]);
            std::vector<char*> argv;
            args.insert(args.begin(), ZURIZ_BRIDGE_PROGRAM);
            for (std::string& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(ZURIZ_BRIDGE_PROGRAM, argv.data());
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        input_ = in[1];
        output_ = out[0];
    }
    ~BridgeProcess() {
        closeInput();
        if (output_ >= 0) ::close(output_);
        if (pid_ > 0 && !reaped_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    bool started() const { return pid_ > 0 && output_ >= 0; }
    void send(const std::string& line) {
        const std::string bytes = line + "\n";
        ASSERT_EQ(::write(input_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    void closeInput() {
        if (input_ >= 0) ::close(input_);
        input_ = -1;
    }
    // The next output line, or "" when none comes within the time.
    std::string nextLine(std::chrono::milliseconds within = 5000ms) {
        const auto deadline = std::chrono::steady_clock::now() + within;
        for (;;) {
            if (const auto nl = buffered_.find('\n'); nl != std::string::npos) {
                std::string line = buffered_.substr(0, nl);
                buffered_.erase(0, nl + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd p{output_, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) return "";
            char chunk[65536];
            const ssize_t n = ::read(output_, chunk, sizeof chunk);
            if (n <= 0) return "";
            buffered_.append(chunk, static_cast<std::size_t>(n));
        }
    }
    // Lines up to and including the first one starting with `prefix`.
    std::vector<std::string> linesUntil(const std::string& prefix) {
        std::vector<std::string> lines;
        for (std::string line = nextLine(); !line.empty(); line = nextLine()) {
            lines.push_back(line);
            if (line.rfind(prefix, 0) == 0) return lines;
        }
        ADD_FAILURE() << "no line starting with " << prefix;
        return lines;
    }
    // The exit status, or -1 when the process has not ended within the time.
    int waitExit(std::chrono::milliseconds within) {
        const auto deadline = std::chrono::steady_clock::now() + within;
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                reaped_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(10ms);
        }
        return -1;
    }

private:
    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    bool reaped_ = false;
    std::string buffered_;
};

bool hasType(const std::vector<std::string>& lines, const std::string& type) {
    for (const std::string& l : lines)
        if (l.rfind("{\"type\":\"" + type + "\"", 0) == 0) return true;
    return false;
}

const char* const kGetState = R"({"type":"velmo.getState"})";

TEST(BridgeTool, SpeaksThePageProtocolAndExitsCleanlyAtEndOfInput) {
    BridgeProcess bridge({"--bundle", ZURIZ_BUNDLE_DIR, "--block", "256", "--tempo", "90"});
    ASSERT_TRUE(bridge.started());

    bridge.send(R"({"type":"velmo.ready"})");
    const std::string hello = bridge.nextLine();
    ASSERT_EQ(hello.rfind(R"({"type":"velmo.hello","plugin":{"id":"music.velmo.bells")", 0), 0u) << hello;
    EXPECT_NE(hello.find(R"("identity":{)"), std::string::npos);
    EXPECT_NE(hello.find(R"("host":{)"), std::string::npos) << "the processor reported its set-up";

    bridge.send(kGetState);
    const std::string before = bridge.linesUntil("{\"type\":\"velmo.state\"").back();

    // Malformed or incomplete lines change nothing, and the tool goes on.
    for (const char* junk : {"not json", "{\"type\":\"velmo.setParam\",\"path\":\"ir.size\"", "\x01\xff\xfe",
                             R"({"type":"velmo.setParam","path":"ir.size"})",
                             R"({"type":"velmo.setParam","path":"no.such","value":1})",
                             R"({"type":"bridge.hostSetParam","path":"ir.size"})", "   ", ""})
        bridge.send(junk);
    bridge.send(kGetState);
    std::vector<std::string> lines = bridge.linesUntil("{\"type\":\"velmo.state\"");
    EXPECT_EQ(lines.back(), before);
    EXPECT_FALSE(hasType(lines, "velmo.paramChanged"));

    // The page's own change is not echoed back to it ...
    bridge.send(R"({"type":"velmo.setParam","path":"ir.size","value":2.0})");
    bridge.send(kGetState);
    lines = bridge.linesUntil("{\"type\":\"velmo.state\"");
    EXPECT_FALSE(hasType(lines, "velmo.paramChanged"));
    EXPECT_NE(lines.back().find(R"("ir.size":2)"), std::string::npos) << lines.back();

    // ... a change the host makes is.
    bridge.send(R"({"type":"bridge.hostSetParam","path":"ir.size","normalized":0.5})");
    EXPECT_EQ(bridge.linesUntil("{\"type\":\"velmo.paramChanged\"").back(),
              R"({"type":"velmo.paramChanged","path":"ir.size","value":1.25,"normalized":0.5})");

    bridge.closeInput();
    EXPECT_EQ(bridge.nextLine(2000ms), "") << "nothing after the end of input";
    EXPECT_EQ(bridge.waitExit(5000ms), 0);
}

TEST(BridgeTool, LinesInAndOneDocumentPerLineOut) {
    using velmo::bridge::LineSplitter;
    std::vector<std::string> lines;
    const LineSplitter::LineHandler keep = [&](std::string_view l) { lines.emplace_back(l); };
    LineSplitter splitter;
    const std::string input = "{\"a\":1}\r\n\n{\"b\":";  // CRLF, an empty line, a line split across reads
    splitter.feed(input.data(), input.size(), keep);
    splitter.feed("2}\nlast", 7, keep);
    splitter.finish(keep);  // the last line has no line feed
    EXPECT_EQ(lines, (std::vector<std::string>{"{\"a\":1}", "{\"b\":2}", "last"}));

    // Inside strings a raw line break becomes its escape, outside a space; escaped quotes are
    // no string ends.
    EXPECT_EQ(velmo::bridge::asOneLine("{\"a\":\"x\ny\\\"\r\",\n\"b\":1}"),
              "{\"a\":\"x\\ny\\\"\\r\", \"b\":1}");
}

TEST(BridgeTool, ControllerEditsReachTheProcessorInTheNextBlocks) {
    using namespace velmo;
    host::PluginModule& module = test::builtBundle();
    bridge::HostEventQueue queue;
    auto handler = Steinberg::owned(new bridge::BridgeComponentHandler(queue));
    host::HostSetup setup;
    setup.runLoop = std::make_shared<ManualRunLoop>();
    setup.handler = handler;
    std::string error;
    auto plugin = host::PluginInstance::create(module, setup, &error);
    ASSERT_NE(plugin, nullptr) << error;
    const test::BridgeApi api = test::bridgeApiOf(module);
    ASSERT_TRUE(api.complete());
    {
        bridge::RealtimeAudio audio(*plugin, queue);
        bridge::BridgeOptions options;
        options.block = 64;
        ASSERT_TRUE(audio.start(options, error)) << error;
        const std::string edit = R"({"type":"velmo.setParam","path":"strike.hardness","value":0.25})";
        ASSERT_EQ(api.deliver(plugin->controller(), edit.data(), edit.size()), 1);
        // A few blocks after the edit, however slowly a loaded machine schedules the thread.
        const std::uint64_t after = audio.blocks() + 4;
        for (int i = 0; i < 500 && audio.blocks() < after; ++i) std::this_thread::sleep_for(10ms);
        audio.stop();
        EXPECT_EQ(audio.failedBlocks(), 0u);
    }
    auto stream = Steinberg::owned(new Steinberg::MemoryStream);
    ASSERT_EQ(plugin->component()->getState(stream), Steinberg::kResultOk);
    const std::string state = host::streamBytes(*stream);
    EXPECT_NE(state.find(R"("strike.hardness":0.25)"), std::string::npos) << state;
}

}  // namespace
