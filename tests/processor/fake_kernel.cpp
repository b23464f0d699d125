#include "fake_kernel.h"

namespace velmo::test {

namespace {

FakeKernelState gState;
float gOutput[256];
float gInput[256];

int64_t fakeInit() { return 0; }
void fakeSink(velmo_kernel_panic_sink, void*) {}
double fakeCreate(uint32_t, uint32_t, uint32_t, double rate) {
    return gState.onlyRate != 0 && rate != gState.onlyRate ? 0 : 1;
}
void fakeInputView(uint32_t, float** data, uint64_t* length) {
    *data = gInput;
    *length = 256;
}
void fakeOutputView(uint32_t, float** data, uint64_t* length) {
    *data = gOutput;
    *length = 256;
}
double fakePush(uint32_t, uint32_t kind, uint32_t frame, uint32_t a, double value) {
    gState.events.push_back({kind, frame, a, value, gState.framesProcessed});
    return 0;
}
double fakeProcess(uint32_t, uint32_t frames) {
    for (uint32_t i = 0; i < frames && i < 128; ++i) {
        gOutput[i] = gState.level;
        gOutput[128 + i] = gState.level;
    }
    gState.framesProcessed += frames;
    return gState.processStatus;
}
double fakeDestroy(uint32_t) { return 0; }

}  // namespace

FakeKernelState& fakeKernel() { return gState; }

void resetFakeKernel() {
    gState.events.clear();
    gState.events.reserve(4096);
    gState.framesProcessed = 0;
    gState.processStatus = 0;
    gState.level = 0.0f;
    gState.onlyRate = 0;
}

KernelModule& fakeKernelModule() {
    static KernelModule module(KernelEntryPoints{fakeInit, fakeSink, fakeCreate, fakeInputView,
                                                 fakeOutputView, fakePush, fakeProcess,
                                                 fakeDestroy});
    return module;
}

std::vector<FakeKernelEvent> fakeKernelEvents(uint32_t kind) {
    std::vector<FakeKernelEvent> out;
    for (const auto& e : gState.events) {
        if (e.kind == kind) out.push_back(e);
    }
    return out;
}

}  // namespace velmo::test
