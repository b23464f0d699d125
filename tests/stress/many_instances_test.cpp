// 32 instances of the built bundle on 2 threads for a bounded time (ZURIZ_STRESS_SECONDS,
// default 20): random block sizes 1-16384 and sample rates 8000-384000 Hz, random automation
// and notes, state saved and restored mid-stream, resets and activation toggles. No process
// call may allocate or lock, every sample is finite, and a state saved mid-stream restores
// into a fresh instance that saves the same bytes again.
//
// Blocks run on both threads at once. What a host does from its main thread (creating and
// releasing instances, set-up, activation, state, the controller) is serialised under one
// lock, as a host has one main thread: the SDK's own singletons are not made for two.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "public.sdk/source/common/memorystream.h"
#include "tools/host/memory_streams.h"
#include "realtime_guard.h"
#include "tools/host/event_list.h"
#include "tools/host/module_loader.h"
#include "tools/host/process_block.h"

namespace velmo {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

constexpr int kInstances = 32;
constexpr int kThreads = 2;
constexpr int kParams = 10;

// The host's main thread: whoever holds this lock.
std::mutex mainThread;

// What one worker saw; checked on the test's thread.
struct Findings {
    std::uint64_t blocks = 0;
    std::uint64_t frames = 0;
    std::uint64_t allocatingBlocks = 0;
    std::uint64_t lockingBlocks = 0;
    std::uint64_t failedBlocks = 0;
    std::uint64_t nonFiniteBlocks = 0;
    std::uint64_t restores = 0;
    std::uint64_t reconfigurations = 0;
    std::vector<std::string> faults;
};

std::string stateOf(IComponent* component) {
    auto stream = owned(new MemoryStream);
    if (component->getState(stream) != kResultOk) return {};
    return host::streamBytes(*stream);
}

class Instance {
public:
    Instance(host::PluginModule& module, std::mt19937& rng, Findings& findings)
        : module_(module), rng_(rng), findings_(findings) {
        const std::lock_guard<std::mutex> main(mainThread);
        std::string error;
        plugin_ = host::PluginInstance::create(module, &error, "zuriz-stress");
        if (plugin_ == nullptr) {
            findings_.faults.push_back("create: " + error);
            return;
        }
        SpeakerArrangement stereo = SpeakerArr::kStereo;
        plugin_->processor()->setBusArrangements(nullptr, 0, &stereo, 1);
        plugin_->component()->activateBus(kAudio, kOutput, 0, true);
        plugin_->component()->activateBus(kEvent, kInput, 0, true);
        reconfigure();
    }
    ~Instance() {
        const std::lock_guard<std::mutex> main(mainThread);
        stop();
        plugin_.reset();
    }

    bool valid() const { return plugin_ != nullptr; }

    // One random step: mostly a block, sometimes something a host does between blocks.
    void step() {
        const int roll = pick(0, 99);
        if (roll < 80) {
            processBlock();
            return;
        }
        const std::lock_guard<std::mutex> main(mainThread);
        if (roll < 85) {
            reconfigure();
        } else if (roll < 90) {
            // A reset as hosts do it: deactivate and activate again, or only stop processing.
            plugin_->processor()->setProcessing(false);
            if (pick(0, 1) == 0) {
                plugin_->component()->setActive(false);
                plugin_->component()->setActive(true);
            }
            plugin_->processor()->setProcessing(true);
        } else if (roll < 95) {
            restoreMidStream();
        } else {
            // Host automation of the controller, which the processor hears with the next block.
            const ParamID id = static_cast<ParamID>(pick(0, kParams - 1));
            const double v = unit();
            plugin_->controller()->setParamNormalized(id, v);
            pendingParam_ = id;
            pendingValue_ = v;
        }
    }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
    double unit() { return std::uniform_real_distribution<double>(0.0, 1.0)(rng_); }

    void stop() {
        if (plugin_ == nullptr) return;
        plugin_->processor()->setProcessing(false);
        plugin_->component()->setActive(false);
    }

    void reconfigure() {
        stop();
        rate_ = std::uniform_real_distribution<double>(8000.0, 384000.0)(rng_);
        if (pick(0, 2) == 0) rate_ = std::round(rate_);
        maxBlock_ = pick(0, 3) == 0 ? pick(1, 64) : pick(1, 16384);
        ProcessSetup setup{kRealtime, kSample32, maxBlock_, rate_};
        if (plugin_->processor()->setupProcessing(setup) != kResultOk ||
            plugin_->component()->setActive(true) != kResultOk) {
            findings_.faults.push_back("set-up refused at " + std::to_string(rate_) + " Hz, " +
                                       std::to_string(maxBlock_) + " frames");
        }
        plugin_->processor()->setProcessing(true);
        block_ = std::make_unique<host::ProcessBlock>(std::vector<int>{2}, maxBlock_);
        ++findings_.reconfigurations;
    }

    void processBlock() {
        const int frames = pick(1, maxBlock_);
        ProcessData& data = block_->begin(frames, 9.0f);
        if (pendingParam_ >= 0) {
            block_->params().add(static_cast<ParamID>(pendingParam_), 0, pendingValue_);
            pendingParam_ = -1;
        }
        for (int n = pick(0, 3); n > 0; --n) {
            const ParamID id = static_cast<ParamID>(pick(0, kParams - 1));
            // Points of one queue in time order.
            int offset = 0;
            for (int p = pick(1, 4); p > 0 && offset < frames; --p) {
                block_->params().add(id, offset, unit());
                offset += pick(1, std::max(1, frames / 2));
            }
        }
        for (int n = pick(0, 4); n > 0; --n) {
            const int32 at = pick(0, frames - 1);
            const int16 pitch = static_cast<int16>(pick(0, 127));
            if (pick(0, 2) == 0)
                block_->events().add(host::makeNoteOff(at, pitch));
            else
                block_->events().add(host::makeNoteOn(at, pitch, static_cast<float>(unit())));
        }

        tresult result;
        {
            test::RealtimeGuard guard;
            result = plugin_->processor()->process(data);
            if (guard.allocations() > 0) ++findings_.allocatingBlocks;
            if (guard.locks() > 0) ++findings_.lockingBlocks;
        }
        if (result != kResultOk) ++findings_.failedBlocks;
        for (int c = 0; c < 2; ++c) {
            const float* out = block_->output(0, c);
            if (!std::all_of(out, out + frames, [](float x) { return std::isfinite(x); })) {
                ++findings_.nonFiniteBlocks;
                break;
            }
        }
        ++findings_.blocks;
        findings_.frames += static_cast<std::uint64_t>(frames);
    }

    // Saves mid-stream, proves a fresh instance takes the state and saves the same bytes, and
    // restores it into this one too (as a host reloading a project while playing would).
    void restoreMidStream() {
        const std::string saved = stateOf(plugin_->component());
        if (saved.empty()) {
            findings_.faults.push_back("getState failed mid-stream");
            return;
        }
        std::string error;
        auto fresh = host::PluginInstance::create(module_, &error, "zuriz-stress");
        if (fresh == nullptr) {
            findings_.faults.push_back("fresh instance: " + error);
            return;
        }
        if (fresh->component()->setState(host::streamOf(saved)) != kResultOk)
            findings_.faults.push_back("a fresh instance refused a state saved mid-stream");
        else if (stateOf(fresh->component()) != saved)
            findings_.faults.push_back("a restored state saves different bytes: " + saved + " / " +
                                       stateOf(fresh->component()));
        fresh.reset();

        if (plugin_->component()->setState(host::streamOf(saved)) != kResultOk ||
            plugin_->controller()->setComponentState(host::streamOf(saved)) != kResultOk)
            findings_.faults.push_back("the instance refused its own state");
        ++findings_.restores;
    }

    host::PluginModule& module_;
    std::mt19937& rng_;
    Findings& findings_;
    std::unique_ptr<host::PluginInstance> plugin_;
    std::unique_ptr<host::ProcessBlock> block_;
    double rate_ = 48000.0;
    int maxBlock_ = 512;
    int pendingParam_ = -1;
    double pendingValue_ = 0.0;
};

double stressSeconds() {
    if (const char* text = std::getenv("ZURIZ_STRESS_SECONDS")) {
        const double s = std::atof(text);
        if (s > 0.0) return s;
    }
    return 20.0;
}

TEST(Stress, ThirtyTwoInstancesOnTwoThreads) {
    std::string error;
    auto module = host::PluginModule::open(ZURIZ_BUNDLE_DIR, &error);
    ASSERT_NE(module, nullptr) << error;

    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(stressSeconds()));
    std::vector<Findings> findings(kThreads);
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([&, t] {
            std::mt19937 rng(0x5eed0000u + static_cast<unsigned>(t));
            std::vector<std::unique_ptr<Instance>> mine;
            for (int i = 0; i < kInstances / kThreads; ++i) {
                mine.push_back(std::make_unique<Instance>(*module, rng, findings[t]));
                if (!mine.back()->valid()) return;
            }
            while (std::chrono::steady_clock::now() < deadline)
                for (auto& instance : mine) instance->step();
        });
    }
    for (std::thread& w : workers) w.join();

    Findings total;
    for (const Findings& f : findings) {
        total.blocks += f.blocks;
        total.frames += f.frames;
        total.allocatingBlocks += f.allocatingBlocks;
        total.lockingBlocks += f.lockingBlocks;
        total.failedBlocks += f.failedBlocks;
        total.nonFiniteBlocks += f.nonFiniteBlocks;
        total.restores += f.restores;
        total.reconfigurations += f.reconfigurations;
        for (const std::string& fault : f.faults)
            if (total.faults.size() < 10) total.faults.push_back(fault);
    }
    std::printf("stress: %llu blocks, %llu frames, %llu restores, %llu set-ups\n",
                static_cast<unsigned long long>(total.blocks), static_cast<unsigned long long>(total.frames),
                static_cast<unsigned long long>(total.restores),
                static_cast<unsigned long long>(total.reconfigurations));
    EXPECT_GT(total.blocks, 200u);
    EXPECT_GT(total.restores, 2u);
    EXPECT_EQ(total.allocatingBlocks, 0u);
    EXPECT_EQ(total.lockingBlocks, 0u);
    EXPECT_EQ(total.failedBlocks, 0u);
    EXPECT_EQ(total.nonFiniteBlocks, 0u);
    for (const std::string& fault : total.faults) ADD_FAILURE() << fault;
}

}  // namespace
}  // namespace velmo
