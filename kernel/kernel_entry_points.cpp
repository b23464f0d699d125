// The exported C entry points: each checks the trap state, then calls the instance table.
#include "kernel/kernel_api.h"
#include "kernel/kernel_instances.h"
#include "kernel/kernel_trap.h"

using velmo::enterKernelEntry;
using velmo::KernelEntry;

extern "C" {

int64_t VELMO_KERNEL_ENTRY(runtime_init)(void) {
    enterKernelEntry(KernelEntry::runtime_init);
    return velmo::kernelRuntimeInit();
}

void VELMO_KERNEL_ENTRY(set_panic_sink)(velmo_kernel_panic_sink sink, void* context) {
    enterKernelEntry(KernelEntry::set_panic_sink);
    velmo::installTrapSink(sink, context);
}

// Nothing is handed out transiently and nothing needs collecting.
void VELMO_KERNEL_ENTRY(collect)(void) { enterKernelEntry(KernelEntry::collect); }

double VELMO_KERNEL_ENTRY(abi_version)(void) {
    enterKernelEntry(KernelEntry::abi_version);
    return 2;
}

double VELMO_KERNEL_ENTRY(create)(uint32_t maxFrames, uint32_t inputChannels,
                                  uint32_t outputChannels, double sampleRate) {
    enterKernelEntry(KernelEntry::create);
    return velmo::kernelCreate(maxFrames, inputChannels, outputChannels, sampleRate);
}

void VELMO_KERNEL_ENTRY(input_view)(uint32_t handle, float** data, uint64_t* length) {
    enterKernelEntry(KernelEntry::input_view);
    const velmo::FloatArea area = velmo::kernelInputView(handle);
    if (data) *data = area.data;
    if (length) *length = area.length;
}

void VELMO_KERNEL_ENTRY(output_view)(uint32_t handle, float** data, uint64_t* length) {
    enterKernelEntry(KernelEntry::output_view);
    const velmo::FloatArea area = velmo::kernelOutputView(handle);
    if (data) *data = area.data;
    if (length) *length = area.length;
}

double VELMO_KERNEL_ENTRY(push_event)(uint32_t handle, uint32_t kind, uint32_t frame, uint32_t a,
                                      double value) {
    enterKernelEntry(KernelEntry::push_event);
    return velmo::kernelPushEvent(handle, kind, frame, a, value);
}

double VELMO_KERNEL_ENTRY(process)(uint32_t handle, uint32_t frames) {
    enterKernelEntry(KernelEntry::process);
    return velmo::kernelProcess(handle, frames);
}

double VELMO_KERNEL_ENTRY(reset)(uint32_t handle) {
    enterKernelEntry(KernelEntry::reset);
    return velmo::kernelReset(handle);
}

double VELMO_KERNEL_ENTRY(destroy)(uint32_t handle) {
    enterKernelEntry(KernelEntry::destroy);
    return velmo::kernelDestroy(handle);
}

}  // extern "C"
