// Hosted-bank unpacking speed. Counter `bytes_per_second` is the unpacked throughput.
//   banks/unpack_zip              a 64 MB bank of 16 noise-filled sample files, deflated
//   banks/unpack_normal_bank      a bank as a zip tool writes it: folder entries, a manifest,
//                                 instrument documents and 96 sample files of 128 KB
//   banks/unpack_nested_folders   10,000 folder entries: 400 chains of 25 nested folders, each
//                                 level its own entry
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

struct Member {
    std::string name;  // ends in "/" for a folder
    std::size_t bytes = 0;
};

std::string writeArchive(const std::string& folder, const std::vector<Member>& members)
{
    const std::string path = folder + "/members.zip";
    archive* writer = archive_write_new();
    archive_write_set_format_zip(writer);
    archive_write_open_filename(writer, path.c_str());
    std::mt19937 noise(11);
    std::vector<std::uint8_t> bytes;
    for (const auto& m : members) {
        const bool isFolder = m.name.back() == '/';
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, m.name.c_str());
        archive_entry_set_filetype(entry, isFolder ? AE_IFDIR : AE_IFREG);
        archive_entry_set_perm(entry, isFolder ? 0755 : 0644);
        archive_entry_set_size(entry, static_cast<la_int64_t>(m.bytes));
        archive_write_header(writer, entry);
        bytes.resize(m.bytes);
        for (auto& b : bytes) b = static_cast<std::uint8_t>(noise() >> 24);
        if (!bytes.empty()) archive_write_data(writer, bytes.data(), bytes.size());
        archive_entry_free(entry);
    }
    archive_write_close(writer);
    archive_write_free(writer);
    return path;
}

// prefix, n, suffix (appended: GCC 12 misreads "literal" + std::string as an overlap)
std::string numbered(std::string prefix, int n, const char* suffix)
{
    prefix += std::to_string(n);
    prefix += suffix;
    return prefix;
}

std::vector<Member> normalBank()
{
    std::vector<Member> members{{"Pack/"}, {"Pack/bank.json", 2048}, {"Pack/instruments/"}, {"Pack/samples/"}};
    for (int i = 0; i < 4; ++i) members.push_back({numbered("Pack/instruments/i", i, ".json"), 4096});
    for (int i = 0; i < 96; ++i) members.push_back({numbered("Pack/samples/s", i, ".wav"), 128u << 10});
    return members;
}

std::vector<Member> nestedFolders()
{
    std::vector<Member> members;
    for (int chain = 0; chain < 400; ++chain) {
        std::string name = numbered("c", chain, "/");
        members.push_back({name});
        for (int level = 1; level < 25; ++level) members.push_back({name += "d/"});
    }
    return members;
}

void unpackBench(benchmark::State& state, const std::string& archive, const std::string& destination,
                 std::int64_t bytes)
{
    UnpackLimits limits;
    std::string reason;
    for (auto _ : state) {
        state.PauseTiming();
        removeAll(destination);
        createNewDirectory(destination);
        state.ResumeTiming();
        if (unpackZip(archive, destination, limits, reason) != UnpackOutcome::Done) state.SkipWithError(reason.c_str());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * bytes);
}

void unpackZipBench(benchmark::State& state)
{
    const test::ScratchDir scratch;
    unpackBench(state, writeBankArchive(scratch.path()), scratch.path() + "/out",
                kFiles * static_cast<std::int64_t>(kFileBytes));
}
BENCHMARK(unpackZipBench)->Name("banks/unpack_zip")->Unit(benchmark::kMillisecond)->UseRealTime();

void unpackMembersBench(benchmark::State& state, const std::vector<Member>& members)
{
    const test::ScratchDir scratch;
    std::int64_t bytes = 0;
    for (const auto& m : members) bytes += static_cast<std::int64_t>(m.bytes);
    unpackBench(state, writeArchive(scratch.path(), members), scratch.path() + "/out", bytes);
    state.counters["entries"] = static_cast<double>(members.size());
}

void unpackNormalBankBench(benchmark::State& state) { unpackMembersBench(state, normalBank()); }
BENCHMARK(unpackNormalBankBench)->Name("banks/unpack_normal_bank")->Unit(benchmark::kMillisecond)->UseRealTime();

void unpackNestedFoldersBench(benchmark::State& state) { unpackMembersBench(state, nestedFolders()); }
BENCHMARK(unpackNestedFoldersBench)
    ->Name("banks/unpack_nested_folders")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace velmo
