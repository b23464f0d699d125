// Bank speed and memory on a generated bank of 240 MB of WAV assets (48 files of 5 MB: 16-bit
// mono, 24-bit stereo and 32-bit float mono in turn; one instrument uses them all). The bank is
// written to a temporary folder when the first banks/* case runs and removed at exit.
// Counter `bytes_per_second` is the asset bytes processed.
//   banks/sha256             verification: SHA-256 of every asset held in memory
//   banks/wav_decode/<bits>  decodeWav of the assets of one format (16, 24, 32)
//   banks/load               loadRuntimeBank of the folder: read, verify, decode, stage
//   banks/load_peak_memory   the load in a fresh process: `peak_mb` is what it added at its
//                            peak, `budget_mb` the assets plus the arena plus 10 %,
//                            `peak_to_budget` their ratio (at most 1 is the goal)
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "banks/bank_files.h"
#include "banks/bank_loader.h"
#include "banks/wav_decode.h"
#include "tests/banks/bank_folder.h"

namespace velmo {
namespace {

constexpr int kAssets = 48;
constexpr std::size_t kAssetBytes = 5u << 20;

struct GeneratedBank {
    test::ScratchDir dir;
    std::vector<test::Bytes> assets;
    std::vector<int> bits;
    std::size_t assetBytes = 0;
    std::size_t arenaSamples = 0;

    GeneratedBank()
    {
        std::uint32_t noise = 12345;
        std::vector<test::JsonMembers> table;
        std::vector<test::JsonMembers> zones;
        for (int i = 0; i < kAssets; ++i) {
            const int kind = i % 3;
            const std::uint16_t channels = kind == 1 ? 2 : 1;
            const std::uint16_t width = kind == 0 ? 2 : kind == 1 ? 3 : 4;
            test::Bytes data(kAssetBytes / (channels * width) * (channels * width));
            if (kind == 2) {
                for (std::size_t s = 0; s + 4 <= data.size(); s += 4) {
                    noise = noise * 1664525u + 1013904223u;
                    const float v = static_cast<float>(static_cast<std::int32_t>(noise) / 2147483648.0);
                    std::memcpy(&data[s], &v, 4);
                }
            } else {
                for (auto& byte : data) {
                    noise = noise * 1664525u + 1013904223u;
                    byte = static_cast<std::uint8_t>(noise >> 24);
                }
            }
            test::Bytes file = test::wavFile(kind == 2 ? 3 : 1, channels, 48000, width * 8, data);
            const std::string id = std::string("s").append(std::to_string(i));
            dir.write("samples/" + id + ".wav", file);
            table.push_back(test::JsonMembers().set("id", test::str(id)).set("path", test::str("samples/" + id + ".wav"))
                                .set("sha256", test::str(test::hexOf(file))).set("bytes", std::to_string(file.size())));
            zones.push_back(test::JsonMembers().set("id", test::str(id)).set("assetId", test::str(id)));
            assetBytes += file.size();
            arenaSamples += data.size() / (channels * width);
            bits.push_back(width * 8);
            assets.push_back(std::move(file));
        }
        test::JsonMembers manifest;
        manifest.set("format", test::str("velmo-sound-pack/v1")).set("id", test::str("bench"))
            .set("assetTable", test::array(table))
            .set("instruments", "[{\"id\":\"all\",\"document\":\"all.json\"}]");
        dir.write("bank.json", manifest.text());
        test::JsonMembers instrument;
        instrument.set("format", test::str("velmo-sampler-instrument/v1")).set("zones", test::array(zones));
        dir.write("all.json", instrument.text());
    }
};

GeneratedBank& bank()
{
    static GeneratedBank generated;
    return generated;
}

void BM_Sha256(benchmark::State& state)
{
    GeneratedBank& b = bank();
    for (auto _ : state)
        for (const auto& asset : b.assets) benchmark::DoNotOptimize(sha256Hex(asset.data(), asset.size()));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * b.assetBytes));
}

void BM_WavDecode(benchmark::State& state)
{
    GeneratedBank& b = bank();
    std::size_t bytes = 0;
    WavAudio audio;
    std::string message;
    for (auto _ : state)
        for (std::size_t i = 0; i < b.assets.size(); ++i) {
            if (b.bits[i] != state.range(0)) continue;
            if (!decodeWav(b.assets[i], audio, message)) state.SkipWithError(message.c_str());
            benchmark::DoNotOptimize(audio.samples.data());
            bytes += b.assets[i].size();
        }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}

void BM_Load(benchmark::State& state)
{
    GeneratedBank& b = bank();
    for (auto _ : state) {
        const RuntimeBankLoad load = loadRuntimeBank(b.dir.path(), 0, "");
        if (load.outcome != kBankOk) state.SkipWithError(load.message.c_str());
        benchmark::DoNotOptimize(load.bank.samples.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * b.assetBytes));
}

void BM_LoadPeakMemory(benchmark::State& state)
{
    GeneratedBank& b = bank();
    double peak = 0;
    for (auto _ : state) {
        const std::string command = std::string(ZURIZ_BANK_LOAD_PROBE) + " '" + b.dir.path() + "'";
        FILE* probe = popen(command.c_str(), "r");
        int outcome = -1;
        std::size_t samples = 0;
        long growth = 0;
        if (probe == nullptr || std::fscanf(probe, "%d %zu %ld", &outcome, &samples, &growth) != 3 ||
            pclose(probe) != 0 || outcome != kBankOk || samples != b.arenaSamples) {
            state.SkipWithError("the probe did not load the bank");
            return;
        }
        peak = static_cast<double>(growth);
    }
    const double mb = 1024.0 * 1024.0;
    const double budget = (static_cast<double>(b.assetBytes) + b.arenaSamples * sizeof(float)) * 1.1;
    state.counters["assets_mb"] = static_cast<double>(b.assetBytes) / mb;
    state.counters["arena_mb"] = b.arenaSamples * sizeof(float) / mb;
    state.counters["peak_mb"] = peak / mb;
    state.counters["budget_mb"] = budget / mb;
    state.counters["peak_to_budget"] = peak / budget;
}

BENCHMARK(BM_Sha256)->Name("banks/sha256")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WavDecode)->Name("banks/wav_decode")->Arg(16)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load)->Name("banks/load")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LoadPeakMemory)->Name("banks/load_peak_memory")->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace velmo
