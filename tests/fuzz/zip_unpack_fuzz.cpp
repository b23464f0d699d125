// unpackZip on arbitrary archives: whatever it accepts or refuses, only plain files and folders
// appear, only inside the destination, and never deeper than the folder depth allows.
#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "platform/file_tree.h"
#include "platform/zip_unpack.h"

namespace {

// One folder per process, removed at exit (a plain array: it outlives every destructor).
char gScratch[] = "/tmp/velmo-unzip-fuzz-XXXXXX";

std::string scratch()
{
    static const bool made = [] {
        FUZZ_CHECK(::mkdtemp(gScratch) != nullptr);
        std::atexit([] { velmo::removeAll(gScratch); });
        return true;
    }();
    (void)made;
    return gScratch;
}

// Counts what is not a plain file or folder under path, links included, and folders deeper than
// maxDepth levels.
int strangeEntries(const std::string& path, unsigned depth, unsigned maxDepth)
{
    struct stat st{};
    if (::lstat(path.c_str(), &st) != 0) return 1;
    if (S_ISREG(st.st_mode)) return 0;
    if (!S_ISDIR(st.st_mode) || depth > maxDepth) return 1;
    std::vector<std::string> names;
    velmo::listDirectory(path, names);
    int strange = 0;
    for (const auto& name : names) strange += strangeEntries(path + "/" + name, depth + 1, maxDepth);
    return strange;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string root = scratch();
    const std::string archive = root + "/in.zip";
    const std::string destination = root + "/out";
    FILE* f = std::fopen(archive.c_str(), "wb");
    FUZZ_CHECK(f != nullptr);
    FUZZ_CHECK(size == 0 || std::fwrite(data, 1, size, f) == size);
    std::fclose(f);
    FUZZ_CHECK(velmo::createNewDirectory(destination));

    velmo::UnpackLimits limits;
    limits.maxBytes = 1 << 20;
    limits.maxEntries = 64;
    limits.maxDepth = 6;  // reachable by small inputs
    limits.maxNameBytes = 256;
    std::string reason;
    const velmo::UnpackOutcome outcome = velmo::unpackZip(archive, destination, limits, reason);
    FUZZ_CHECK(outcome != velmo::UnpackOutcome::Cancelled);
    FUZZ_CHECK(outcome == velmo::UnpackOutcome::Done || !reason.empty());

    std::vector<std::string> names;
    velmo::listDirectory(root, names);
    FUZZ_CHECK(names.size() == 2);  // in.zip and out, nothing beside them
    FUZZ_CHECK(strangeEntries(destination, 0, limits.maxDepth) == 0);
    FUZZ_CHECK(velmo::removeAll(destination));
    return 0;
}
