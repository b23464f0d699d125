// The "VELMO_KERNEL_TRACE" file. Its own executable: the variable must be set before the
// process first asks for the trace.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "engine/kernel_engine.h"
#include "engine/kernel_trace.h"
#include "fake_kernel.h"
#include "scratch_dir.h"

namespace velmo {
namespace {

std::string tracePath() {
    static const std::string path = std::string(::testing::TempDir()) + "velmo_kernel_trace_" +
                                    std::to_string(::getpid()) + ".txt";
    return path;
}

const bool traceEnabled = [] {
    std::remove(tracePath().c_str());
    return ::setenv("VELMO_KERNEL_TRACE", tracePath().c_str(), 1) == 0;
}();

TEST(KernelTrace, SetupChunksAndEventsAreWritten) {
    ASSERT_TRUE(traceEnabled);
    test::resetFakeKernel();
    KernelEngine engine(test::fakeKernelModule());
    ASSERT_TRUE(engine.setup(44100.0, 256));
    engine.setParamValue(9, 0.25);
    engine.pushNoteOn(64, 0.75, 130, 0, 0);
    engine.pushController(7, 1, 3, 0, 0);
    float l[200], r[200];
    float* out[2] = {l, r};
    engine.processBlock(nullptr, 0, out, 2, 200);
    ASSERT_NE(kernelTraceFile(), nullptr);
    std::fflush(kernelTraceFile());

    const std::string t = test::readTextFile(tracePath());
    char self[32];
    std::snprintf(self, sizeof self, "%p", static_cast<void*>(&engine));
    const std::string blk = "blk=" + std::to_string(currentTraceBlock());
    const std::string expected[] = {
        std::string("S this=") + self + " rate=44100 kernelRate=44100 handle=" + std::to_string(engine.instanceToken()),
        std::string("B this=") + self + " " + blk + " off=0 chunk=128 frames=200 events=2",
        std::string("E this=") + self + " " + blk + " frame=0 kind=1 a=9 value=0.25 src=republish status=0",
        std::string("E this=") + self + " " + blk + " frame=3 kind=0 a=0 value=1 src=queue status=-1",
        std::string("B this=") + self + " " + blk + " off=128 chunk=72 frames=200 events=2",
        std::string("E this=") + self + " " + blk + " frame=2 kind=2 a=64 value=0.75 src=queue status=0",
    };
    size_t at = 0;
    for (const std::string& line : expected) {
        const size_t found = t.find(line + "\n", at);
        ASSERT_NE(found, std::string::npos) << "missing, in order: " << line << "\n" << t;
        at = found + line.size();
    }
    std::remove(tracePath().c_str());
}

}  // namespace
}  // namespace velmo
