#pragma once
// A stand-in kernel for engine tests, reached through the engine's entry-point table. Its
// behaviour is set per test: refuse rates other than 48 000 Hz, fail `process`, refuse
// events, and render silence, a 1 kHz sine, or a click at each note-on.
#include <cstdint>
#include <vector>

#include "engine/kernel_module.h"

namespace velmo::test {

enum class FakeRender { Silence, Sine1k, ClickOnNote, Constant };

struct FakeKernelConfig {
    bool only48k = false;            // create refuses every other rate
    bool refuseCreate = false;       // create refuses every rate
    bool shortOutputView = false;    // output view of 128 floats
    bool failProcess = false;        // process returns 2
    uint32_t eventsPerCall = 64;     // pushes beyond this per process call return 3
    uint32_t refuseParameterPushes = 0;  // the next N parameter pushes return 2
    bool refuseNotes = false;        // note pushes return 2
    FakeRender render = FakeRender::Silence;
    float amplitude = 0.5f;
    bool log = true;                 // record pushes and process calls
};

struct FakeEvent {
    uint32_t kind;
    uint32_t frame;        // offset within the process call
    uint32_t a;
    double value;
    double status;
    uint64_t kernelFrame;  // absolute frame of the instance's time line
    uint32_t call;         // process calls logged before it
};

struct FakeKernelLog {
    std::vector<FakeEvent> events;
    std::vector<uint32_t> processFrames;
    std::vector<double> createRates;
    uint32_t destroys = 0;
    uint32_t runtimeInits = 0;
};

FakeKernelConfig& fakeKernelConfig();
FakeKernelLog& fakeKernelLog();
// Default behaviour, empty log; live instances are kept.
void resetFakeKernel();
// The entry points (a fresh KernelModule per use keeps one-time initialisation observable).
const KernelEntryPoints& fakeKernelEntryPoints();
KernelModule& fakeKernelModule();
// Frames rendered by the instance with this handle.
uint64_t fakeKernelFrames(uint32_t handle);
// The sink the engine installed, and its context.
velmo_kernel_panic_sink fakeKernelPanicSink();

// Accepted events of one kind, in push order.
std::vector<FakeEvent> acceptedEvents(uint32_t kind);

}  // namespace velmo::test
