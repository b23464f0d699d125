#pragma once
// The sound kernel's C interface: plain entry points with unmangled names.
//
// Threading: every instance keeps its state in its own slot, so calls for *different*
// instances may run at the same time on different threads without a lock; calls for one
// instance must not overlap. runtime_init, create and destroy are serialised inside the
// kernel. set_panic_sink and runtime_init run once, before any other call.
#include <stdint.h>

#if defined(__GNUC__)
#define VELMO_KERNEL_EXPORT __attribute__((visibility("default")))
#else
#define VELMO_KERNEL_EXPORT
#endif

#define VELMO_KERNEL_ENTRY(name) scpr_music_velmo_bells_5c3e91a07b2f_##name

#ifdef __cplusplus
extern "C" {
#endif

typedef void (*velmo_kernel_panic_sink)(void* context, const char* report, uint64_t length,
                                        uint64_t place);

VELMO_KERNEL_EXPORT int64_t VELMO_KERNEL_ENTRY(runtime_init)(void);
VELMO_KERNEL_EXPORT void VELMO_KERNEL_ENTRY(set_panic_sink)(velmo_kernel_panic_sink sink,
                                                            void* context);
VELMO_KERNEL_EXPORT void VELMO_KERNEL_ENTRY(collect)(void);
VELMO_KERNEL_EXPORT double VELMO_KERNEL_ENTRY(abi_version)(void);
VELMO_KERNEL_EXPORT double VELMO_KERNEL_ENTRY(create)(uint32_t maxFrames, uint32_t inputChannels,
                                                      uint32_t outputChannels, double sampleRate);
VELMO_KERNEL_EXPORT void VELMO_KERNEL_ENTRY(input_view)(uint32_t handle, float** data,
                                                        uint64_t* length);
VELMO_KERNEL_EXPORT void VELMO_KERNEL_ENTRY(output_view)(uint32_t handle, float** data,
                                                         uint64_t* length);
VELMO_KERNEL_EXPORT double VELMO_KERNEL_ENTRY(push_event)(uint32_t handle, uint32_t kind,
                                                          uint32_t frame, uint32_t a, double value);
VELMO_KERNEL_EXPORT double VELMO_KERNEL_ENTRY(process)(uint32_t handle, uint32_t frames);
VELMO_KERNEL_EXPORT double VELMO_KERNEL_ENTRY(reset)(uint32_t handle);
VELMO_KERNEL_EXPORT double VELMO_KERNEL_ENTRY(destroy)(uint32_t handle);

#ifdef __cplusplus
}
#endif
