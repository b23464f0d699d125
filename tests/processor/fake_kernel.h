#pragma once
// A stand-in kernel for processor tests: records every event pushed to it, writes a constant
// level to both output channels, and fails process or event pushes on request. One global
// instance; tests that use it run on one thread.
#include <cstdint>
#include <vector>

#include "engine/kernel_module.h"

namespace velmo::test {

struct FakeKernelEvent {
    uint32_t kind;   // 1 parameter, 2 note-on, 3 note-off
    uint32_t frame;  // offset within the chunk
    uint32_t a;      // parameter id or pitch
    double value;
    uint64_t samplesBefore;  // frames processed before this event's chunk
};

struct FakeKernelState {
    std::vector<FakeKernelEvent> events;
    uint64_t framesProcessed = 0;
    double processStatus = 0;  // returned by process; non-zero is a failure
    float level = 0.0f;        // written to every output frame
    double onlyRate = 0;       // when set, instances at any other rate are refused
};

FakeKernelState& fakeKernel();
// Clears the record and restores the defaults.
void resetFakeKernel();
KernelModule& fakeKernelModule();

// Events of one kind, with their absolute frame (samplesBefore + frame).
std::vector<FakeKernelEvent> fakeKernelEvents(uint32_t kind);

}  // namespace velmo::test
