#pragma once
// Traps: faults the kernel cannot recover from. The kernel poisons itself, hands a report to
// the host's sink and ends the process. Ordinary misuse never gets here; it gets a status.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "kernel/kernel_api.h"

namespace velmo {

inline constexpr std::size_t TRAP_REPORT_CAPACITY = 2048;

enum class KernelEntry : uint8_t {
    runtime_init,
    set_panic_sink,
    collect,
    abi_version,
    create,
    input_view,
    output_view,
    push_event,
    process,
    reset,
    destroy,
};

// Full exported name, e.g. "scpr_music_velmo_bells_5c3e91a07b2f_create".
const char* kernelEntryName(KernelEntry entry);

// Fault code chosen by the beginning of the message ("SC4019" when nothing matches).
const char* trapCodeFor(std::string_view message);

// 0x01, cleaned message, 0x1F, code, 0x1F, entry name; at most TRAP_REPORT_CAPACITY bytes
// written to `out`. A message already beginning with 0x01 is passed on as it is.
std::size_t buildTrapReport(std::string_view message, std::string_view entryName, char* out);

void installTrapSink(velmo_kernel_panic_sink sink, void* context);

// First call of every entry point: ends the process when the kernel is poisoned, and traps
// an entry point called from inside the sink.
void enterKernelEntry(KernelEntry entry);

[[noreturn]] void kernelTrap(std::string_view message, KernelEntry entry);

inline constexpr std::string_view OUT_OF_MEMORY_MESSAGE = "morvisc: out of memory\n";

}  // namespace velmo
