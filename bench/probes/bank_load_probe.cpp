// Loads one bank folder in a fresh process and prints the peak memory the load added, so the
// benchmark can set it against the bank's size.
//   zuriz-bank-load-probe <folder>  ->  "<outcome> <arena samples> <peak growth in bytes>"
#include <sys/resource.h>

#include <cstdio>

#include "banks/bank_loader.h"

namespace {
long maxRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: zuriz-bank-load-probe <bank folder>\n");
        return 2;
    }
    const long before = maxRssKb();
    const velmo::RuntimeBankLoad load = velmo::loadRuntimeBank(argv[1], 0, "");
    const long after = maxRssKb();
    std::printf("%d %zu %ld\n", load.outcome, load.bank.samples.size(), (after - before) * 1024L);
    if (load.outcome != velmo::kBankOk) std::fprintf(stderr, "%s\n", load.message.c_str());
    return load.outcome == velmo::kBankOk ? 0 : 1;
}
