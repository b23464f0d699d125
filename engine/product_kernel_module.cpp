// Kept apart from the engine so that code handing the engine another kernel does not pull
// the product's kernel into its link.
#include "engine/kernel_module.h"

namespace velmo {

KernelModule& productKernelModule() {
    static KernelModule module(KernelEntryPoints{
        &VELMO_KERNEL_ENTRY(runtime_init),
        &VELMO_KERNEL_ENTRY(set_panic_sink),
        &VELMO_KERNEL_ENTRY(create),
        &VELMO_KERNEL_ENTRY(input_view),
        &VELMO_KERNEL_ENTRY(output_view),
        &VELMO_KERNEL_ENTRY(push_event),
        &VELMO_KERNEL_ENTRY(process),
        &VELMO_KERNEL_ENTRY(destroy),
    });
    return module;
}

}  // namespace velmo
