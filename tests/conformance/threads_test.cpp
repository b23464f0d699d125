// Hosts process on their own audio thread while the main thread keeps using the controller.
#include <atomic>
#include <cmath>
#include <thread>

#include "bundle_fixture.h"
#include "tools/host/event_list.h"

namespace velmo::conformance {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

class Threads : public PluginTest {};

TEST_F(Threads, ProcessingOnAnAudioThreadWhileTheControllerIsUsed) {
    ASSERT_TRUE(start(48000.0, 256));
    std::atomic<bool> done{false}, editing{false};
    std::atomic<int> refused{0};
    double loudest = 0.0;
    bool finite = true;
    std::thread audio([&] {
        host::ProcessBlock block({2}, 256);
        // The blocks take a millisecond or two: start them once the main thread is at work.
        while (!editing) std::this_thread::yield();
        for (int i = 0; i < 400; ++i) {
            block.begin(256);
            if (i % 20 == 0) block.events().add(host::makeNoteOn(i % 256, static_cast<int16>(50 + i % 30), 0.8f));
            block.params().add(1, 0, (i % 11) / 10.0);
            if (process(block, 256) != kResultOk) ++refused;
            for (int c = 0; c < 2; ++c)
                for (int f = 0; f < 256; ++f) {
                    const float v = block.output(0, c)[f];
                    finite = finite && std::isfinite(v);
                    loudest = std::max(loudest, double(std::fabs(v)));
                }
        }
        done = true;
    });
    // Meanwhile, the main thread: parameter edits and texts on the controller.
    int edits = 0;
    while (!done) {
        controller()->setParamNormalized(static_cast<ParamID>(edits % 10), (edits % 5) / 4.0);
        String128 shown{};
        controller()->getParamStringByValue(static_cast<ParamID>(edits % 10), 0.5, shown);
        ++edits;
        editing = true;
        std::this_thread::yield();
    }
    audio.join();
    EXPECT_EQ(refused, 0);
    EXPECT_TRUE(finite);
    EXPECT_GT(loudest, 1e-3);
    EXPECT_GT(edits, 0);
}

}  // namespace
}  // namespace velmo::conformance
