#include "fake_kernel.h"

#include <cmath>
#include <cstring>
#include <mutex>

namespace velmo::test {
namespace {

struct Instance {
    uint32_t handle = 0;
    double rate = 0.0;
    uint64_t frames = 0;
    uint32_t calls = 0;
    uint32_t pending = 0;  // events pushed since the last process
    std::vector<uint32_t> noteFrames;
    float output[256] = {};
};

constexpr int kSlots = 32;
Instance instances[kSlots];
uint32_t nextHandle = 1;
std::mutex createLock;  // the real kernel serialises create and destroy too
FakeKernelConfig config;
FakeKernelLog logbook;
velmo_kernel_panic_sink installedSink = nullptr;
float emptyArea[1] = {};

Instance* find(uint32_t handle) {
    if (handle == 0) return nullptr;
    for (Instance& i : instances) {
        if (i.handle == handle) return &i;
    }
    return nullptr;
}

int64_t runtimeInit() {
    ++logbook.runtimeInits;
    return 0;
}

void setPanicSink(velmo_kernel_panic_sink sink, void*) { installedSink = sink; }

double create(uint32_t maxFrames, uint32_t inputs, uint32_t outputs, double rate) {
    std::lock_guard<std::mutex> lock(createLock);
    logbook.createRates.push_back(rate);
    if (config.refuseCreate || maxFrames != 128 || inputs != 0 || outputs != 2 || !(rate > 0.0)) return 0.0;
    if (config.only48k && rate != 48000.0) return 0.0;
    for (Instance& i : instances) {
        if (i.handle != 0) continue;
        i = Instance{};
        i.handle = nextHandle++;
        i.rate = rate;
        i.noteFrames.reserve(256);
        return i.handle;
    }
    return 0.0;
}

void inputView(uint32_t, float** data, uint64_t* length) {
    *data = emptyArea;
    *length = 0;
}

void outputView(uint32_t handle, float** data, uint64_t* length) {
    Instance* i = find(handle);
    if (i == nullptr) {
        *data = emptyArea;
        *length = 0;
        return;
    }
    *data = i->output;
    *length = config.shortOutputView ? 128 : 256;
}

double pushEvent(uint32_t handle, uint32_t kind, uint32_t frame, uint32_t a, double value) {
    Instance* i = find(handle);
    double status = 0.0;
    if (i == nullptr || frame >= 128) {
        status = 1.0;
    } else if (kind == 1 && config.refuseParameterPushes > 0) {
        --config.refuseParameterPushes;
        status = 2.0;
    } else if ((kind == 2 || kind == 3) && config.refuseNotes) {
        status = 2.0;
    } else if (i->pending >= config.eventsPerCall) {
        status = 3.0;
    } else {
        ++i->pending;
        if (kind == 2 && i->noteFrames.size() < i->noteFrames.capacity()) i->noteFrames.push_back(frame);
    }
    if (config.log) {
        logbook.events.push_back(FakeEvent{kind, frame, a, value, status, (i ? i->frames : 0) + frame,
                                           static_cast<uint32_t>(logbook.processFrames.size())});
    }
    return status;
}

double process(uint32_t handle, uint32_t frames) {
    Instance* i = find(handle);
    if (i == nullptr || frames > 128) return 1.0;
    if (config.log) logbook.processFrames.push_back(frames);
    i->pending = 0;
    ++i->calls;
    if (config.failProcess) {
        i->noteFrames.clear();
        i->frames += frames;
        return 2.0;
    }
    for (uint32_t f = 0; f < frames; ++f) {
        float s = 0.0f;
        switch (config.render) {
            case FakeRender::Silence: break;
            case FakeRender::Constant: s = config.amplitude; break;
            case FakeRender::Sine1k: {
                // 48 samples per period at 48 kHz: exact phase from the frame count.
                const double k = static_cast<double>((i->frames + f) % 48);
                s = static_cast<float>(config.amplitude * std::sin(2.0 * M_PI * k / 48.0));
                break;
            }
            case FakeRender::ClickOnNote:
                for (uint32_t at : i->noteFrames) {
                    if (at == f) s = config.amplitude;
                }
                break;
        }
        i->output[f] = s;
        i->output[128 + f] = config.render == FakeRender::Constant ? -s : s;
    }
    i->noteFrames.clear();
    i->frames += frames;
    return 0.0;
}

double destroy(uint32_t handle) {
    std::lock_guard<std::mutex> lock(createLock);
    Instance* i = find(handle);
    if (i == nullptr) return 1.0;
    i->handle = 0;
    ++logbook.destroys;
    return 0.0;
}

const KernelEntryPoints ENTRY_POINTS{&runtimeInit, &setPanicSink, &create, &inputView,
                                     &outputView,  &pushEvent,    &process, &destroy};

}  // namespace

FakeKernelConfig& fakeKernelConfig() { return config; }
FakeKernelLog& fakeKernelLog() { return logbook; }

void resetFakeKernel() {
    config = FakeKernelConfig{};
    logbook = FakeKernelLog{};
}

const KernelEntryPoints& fakeKernelEntryPoints() { return ENTRY_POINTS; }

KernelModule& fakeKernelModule() {
    static KernelModule module(ENTRY_POINTS);
    return module;
}

uint64_t fakeKernelFrames(uint32_t handle) {
    const Instance* i = find(handle);
    return i ? i->frames : 0;
}

velmo_kernel_panic_sink fakeKernelPanicSink() { return installedSink; }

std::vector<FakeEvent> acceptedEvents(uint32_t kind) {
    std::vector<FakeEvent> out;
    for (const FakeEvent& e : logbook.events) {
        if (e.kind == kind && e.status == 0.0) out.push_back(e);
    }
    return out;
}

}  // namespace velmo::test
