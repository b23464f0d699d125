// Hosted-bank unpacking speed. Counter `bytes_per_second` is the unpacked throughput.
//   banks/unpack_zip   a 64 MB bank of 16 noise-filled sample files, deflated, unpacked to disk
#include <archive.h>
#include <archive_entry.h>
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "platform/file_tree.h"
#include "platform/zip_unpack.h"
#include "tests/support/scratch_dir.h"

namespace velmo {
namespace {

constexpr int kFiles = 16;
constexpr std::size_t kFileBytes = 4u << 20;

// Writes the archive into folder and returns its path.
std::string writeBankArchive(const std::string& folder)
{
    const std::string path = folder + "/bank.zip";
    archive* writer = archive_write_new();
    archive_write_set_format_zip(writer);
    archive_write_open_filename(writer, path.c_str());
    std::mt19937 noise(7);
    std::vector<std::uint8_t> bytes(kFileBytes);
    for (int i = 0; i < kFiles; ++i) {
        for (auto& b : bytes) b = static_cast<std::uint8_t>(noise() >> 24);
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, ("Pack/samples/s" + std::to_string(i) + ".wav").c_str());
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        archive_entry_set_size(entry, static_cast<la_int64_t>(bytes.size()));
        archive_write_header(writer, entry);
        archive_write_data(writer, bytes.data(), bytes.size());
        archive_entry_free(entry);
    }
    archive_write_close(writer);
    archive_write_free(writer);
    return path;
}

void unpackZipBench(benchmark::State& state)
{
    const test::ScratchDir scratch;
    const std::string folder = scratch.path();
    const std::string archive = writeBankArchive(folder);
    const std::string destination = folder + "/out";
    UnpackLimits limits;
    std::string reason;
    for (auto _ : state) {
        state.PauseTiming();
        removeAll(destination);
        createNewDirectory(destination);
        state.ResumeTiming();
        if (!unpackZip(archive, destination, limits, reason)) state.SkipWithError(reason.c_str());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kFiles *
                            static_cast<std::int64_t>(kFileBytes));
}
BENCHMARK(unpackZipBench)->Name("banks/unpack_zip")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace velmo
