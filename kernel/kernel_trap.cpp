#include "kernel/kernel_trap.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace velmo {
namespace {

#define VELMO_ENTRY_NAME(suffix) "scpr_music_velmo_bells_5c3e91a07b2f_" #suffix
constexpr const char* ENTRY_NAMES[] = {
    VELMO_ENTRY_NAME(runtime_init), VELMO_ENTRY_NAME(set_panic_sink), VELMO_ENTRY_NAME(collect),
    VELMO_ENTRY_NAME(abi_version),  VELMO_ENTRY_NAME(create),         VELMO_ENTRY_NAME(input_view),
    VELMO_ENTRY_NAME(output_view),  VELMO_ENTRY_NAME(push_event),     VELMO_ENTRY_NAME(process),
    VELMO_ENTRY_NAME(reset),        VELMO_ENTRY_NAME(destroy),
};
#undef VELMO_ENTRY_NAME

struct CodePrefix {
    std::string_view prefix;
    const char* code;
};
constexpr CodePrefix TRAP_CODES[] = {
    {"Uncaught ", "SC4013"},
    {"morvisc: RangeError: ", "SC4014"},
    {"morvisc: TypeError: ", "SC4015"},
    {"morvisc: SyntaxError: ", "SC4016"},
    {"morvisc: out of memory", "SC4017"},
    {"morvisc: internal error: ", "SC4018"},
    {"morvisc: library callback ", "SC4025"},
    {"morvisc: library entry ", "SC4026"},
};

std::atomic<velmo_kernel_panic_sink> g_sink{nullptr};
std::atomic<void*> g_sinkContext{nullptr};
std::atomic<bool> g_poisoned{false};
std::atomic<bool> g_reporting{false};  // one report at a time: a second faulting thread ends at once
std::atomic<bool> g_reentryReported{false};
std::atomic<std::thread::id> g_sinkThread{};

// Reports live in static storage: the fault may be that memory ran out.
char g_report[TRAP_REPORT_CAPACITY];
char g_reentryReport[TRAP_REPORT_CAPACITY];

void callSink(const char* report, std::size_t length, KernelEntry entry) {
    velmo_kernel_panic_sink sink = g_sink.load();
    if (sink) sink(g_sinkContext.load(), report, length, uint64_t(entry) + 1);
}

[[noreturn]] void trapReentry(KernelEntry entry) {
    // Report once; a sink that keeps calling in is stopped here.
    if (g_reentryReported.exchange(true)) std::abort();
    char message[160];
    std::snprintf(message, sizeof message, "morvisc: library entry '%s' invoked from a host callback\n",
                  kernelEntryName(entry));
    const std::size_t length = buildTrapReport(message, kernelEntryName(entry), g_reentryReport);
    callSink(g_reentryReport, length, entry);
    std::abort();
}

}  // namespace

const char* kernelEntryName(KernelEntry entry) { return ENTRY_NAMES[std::size_t(entry)]; }

const char* trapCodeFor(std::string_view message) {
    for (const CodePrefix& row : TRAP_CODES)
        if (message.substr(0, row.prefix.size()) == row.prefix) return row.code;
    return "SC4019";
}

std::size_t buildTrapReport(std::string_view message, std::string_view entryName, char* out) {
    if (!message.empty() && message.front() == '\x01') {
        const std::size_t length = std::min(message.size(), TRAP_REPORT_CAPACITY);
        std::memcpy(out, message.data(), length);
        return length;
    }
    const char* code = trapCodeFor(message);
    const std::size_t codeLength = std::strlen(code);
    entryName = entryName.substr(0, TRAP_REPORT_CAPACITY - 3 - codeLength);
    const std::size_t room = TRAP_REPORT_CAPACITY - 3 - codeLength - entryName.size();
    const std::size_t messageLength = std::min(message.size(), room);
    std::size_t at = 0;
    out[at++] = '\x01';
    for (std::size_t i = 0; i < messageLength; ++i) {
        const char c = message[i];
        out[at++] = (c == '\x01' || c == '\x1f') ? ' ' : c;
    }
    out[at++] = '\x1f';
    std::memcpy(out + at, code, codeLength);
    at += codeLength;
    out[at++] = '\x1f';
    std::memcpy(out + at, entryName.data(), entryName.size());
    return at + entryName.size();
}

void installTrapSink(velmo_kernel_panic_sink sink, void* context) {
    g_sinkContext.store(context);
    g_sink.store(sink);
}

void enterKernelEntry(KernelEntry entry) {
    if (!g_poisoned.load(std::memory_order_relaxed)) return;
    if (g_sinkThread.load() == std::this_thread::get_id()) trapReentry(entry);
    std::abort();
}

void kernelTrap(std::string_view message, KernelEntry entry) {
    g_poisoned.store(true);
    if (g_reporting.exchange(true)) std::abort();
    const std::size_t length = buildTrapReport(message, kernelEntryName(entry), g_report);
    g_sinkThread.store(std::this_thread::get_id());
    callSink(g_report, length, entry);
    std::abort();
}

}  // namespace velmo
