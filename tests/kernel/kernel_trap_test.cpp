// Traps: the report format, and real traps that reach the sink and end the process.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "kernel/kernel_memory.h"
#include "kernel/kernel_trap.h"
#include "kernel_test_support.h"

namespace velmo {
namespace {

std::string report(std::string_view message, std::string_view entry = "entry") {
    char out[TRAP_REPORT_CAPACITY];
    return std::string(out, buildTrapReport(message, entry, out));
}

TEST(TrapReport, CodeFollowsTheMessagePrefix) {
    EXPECT_STREQ(trapCodeFor("Uncaught TypeError: x"), "SC4013");
    EXPECT_STREQ(trapCodeFor("morvisc: RangeError: typed array index 9 out of bounds (length 4)\n"),
                 "SC4014");
    EXPECT_STREQ(trapCodeFor("morvisc: TypeError: "), "SC4015");
    EXPECT_STREQ(trapCodeFor("morvisc: SyntaxError: bad"), "SC4016");
    EXPECT_STREQ(trapCodeFor("morvisc: out of memory\n"), "SC4017");
    EXPECT_STREQ(trapCodeFor("morvisc: internal error: x"), "SC4018");
    EXPECT_STREQ(trapCodeFor("morvisc: library callback x"), "SC4025");
    EXPECT_STREQ(trapCodeFor("morvisc: library entry 'x' invoked from a host callback\n"), "SC4026");
    EXPECT_STREQ(trapCodeFor(""), "SC4019");
    EXPECT_STREQ(trapCodeFor("morvisc: RangeError"), "SC4019");  // prefix incomplete
    EXPECT_STREQ(trapCodeFor("uncaught x"), "SC4019");
}

TEST(TrapReport, FramesACleanedMessageWithCodeAndEntry) {
    EXPECT_EQ(report("morvisc: out of memory\n", "scpr_x_create"),
              "\x01morvisc: out of memory\n\x1fSC4017\x1fscpr_x_create");
    EXPECT_EQ(report(std::string("a\x01" "b\x1f" "c", 5)), "\x01" "a b c\x1fSC4019\x1f" "entry");
    EXPECT_EQ(report(""), "\x01\x1fSC4019\x1f" "entry");
    const std::string framed = "\x01" "already\x1fSC1\x1fsomewhere";
    EXPECT_EQ(report(framed), framed);
}

TEST(TrapReport, LongMessageIsCutToFitTheCap) {
    const std::string name = kernelEntryName(KernelEntry::process);
    const std::string built = report("Uncaught " + std::string(5000, 'x'), name);
    ASSERT_EQ(built.size(), TRAP_REPORT_CAPACITY);
    EXPECT_EQ(built.substr(built.size() - name.size() - 8), "\x1fSC4013\x1f" + name);
    EXPECT_EQ(report("\x01" + std::string(5000, 'y')).size(), TRAP_REPORT_CAPACITY);
}

// Prints each report on stderr with control bytes shown as '|', then returns.
void printingSink(void*, const char* bytes, uint64_t length, uint64_t) {
    std::string text(bytes, length);
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20) c = '|';
    std::fprintf(stderr, "report[%s]\n", text.c_str());
}

// Calls back into the kernel from inside the sink.
void reenteringSink(void* context, const char* bytes, uint64_t length, uint64_t place) {
    printingSink(context, bytes, length, place);
    KERNEL(process)(1, 128);
}

class KernelTrapDeathTest : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(KernelTrapDeathTest, AllocationFailureInCreateReportsAndEndsTheProcess) {
    EXPECT_DEATH(
        {
            KERNEL(set_panic_sink)(&printingSink, nullptr);
            KERNEL(runtime_init)();
            failKernelAllocationAfter(0);
            KERNEL(create)(128, 0, 2, 48000);
        },
        "report\\[\\|morvisc: out of memory\\|\\|SC4017\\|scpr_music_velmo_bells_5c3e91a07b2f_"
        "create\\]");
}

TEST_F(KernelTrapDeathTest, AllocationFailureInRuntimeInitTraps) {
    EXPECT_DEATH(
        {
            KERNEL(set_panic_sink)(&printingSink, nullptr);
            failKernelAllocationAfter(0);
            KERNEL(runtime_init)();
        },
        "SC4017\\|scpr_music_velmo_bells_5c3e91a07b2f_runtime_init");
}

TEST_F(KernelTrapDeathTest, EntryPointCalledFromTheSinkTraps) {
    EXPECT_DEATH(
        {
            KERNEL(set_panic_sink)(&reenteringSink, nullptr);
            KERNEL(runtime_init)();
            KERNEL(create)(128, 0, 2, 48000);
            failKernelAllocationAfter(0);
            KERNEL(create)(128, 0, 2, 48000);
        },
        "SC4017.*report\\[\\|morvisc: library entry "
        "'scpr_music_velmo_bells_5c3e91a07b2f_process' invoked from a host callback\\|\\|"
        "SC4026\\|scpr_music_velmo_bells_5c3e91a07b2f_process\\]");
}

TEST_F(KernelTrapDeathTest, TrapWithoutASinkStillEndsTheProcess) {
    EXPECT_DEATH(
        {
            KERNEL(set_panic_sink)(nullptr, nullptr);
            KERNEL(runtime_init)();
            failKernelAllocationAfter(0);
            KERNEL(create)(128, 0, 2, 48000);
            std::fprintf(stderr, "survived\n");
        },
        "");
}

}  // namespace
}  // namespace velmo
