#pragma once
// Shared by the bank fuzz targets: a bank kept in memory, and what every load result must hold.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "banks/bank_loader.h"
#include "fuzz_check.h"
#include "tests/banks/wav_file.h"

namespace velmo::fuzz {

struct MemoryBank {
    std::map<std::string, std::vector<std::uint8_t>> files;  // by path under "bank/"

    MemoryBank()
    {
        using namespace velmo::test;
        files["bank/a.wav"] = wavFile(1, 1, 44100, 16, pcm16({0, 100, -100, 32767, -32768, 5, 6, 7}));
        files["bank/b.wav"] = wavFile(3, 2, 0, 32, float32({0.5f, -0.5f, 1.0f, 1.0f}));
        put("bank/p.json", "{\"params\":{\"ring\":1,\"level\":0.5}}");
        put("bank/tower.json",
            "{\"format\":\"velmo-sampler-instrument/v1\",\"zones\":[{\"id\":\"z\",\"assetId\":\"a\","
            "\"loopMode\":\"forward\",\"loopStartFrame\":1,\"loopEndFrame\":6},{\"assetId\":\"b\"}]}");
        put("bank/bank.json",
            "{\"format\":\"velmo-sound-pack/v1\",\"id\":\"f\",\"assetTable\":[{\"id\":\"a\",\"path\":\"a.wav\"},"
            "{\"id\":\"b\",\"path\":\"b.wav\"}],\"instruments\":[{\"id\":\"t\",\"document\":\"tower.json\"}],"
            "\"presets\":[{\"id\":\"p\",\"document\":\"p.json\"}]}");
    }
    void put(const std::string& path, const std::string& text) { files[path].assign(text.begin(), text.end()); }
    void put(const std::string& path, const std::uint8_t* data, std::size_t size) { files[path].assign(data, data + size); }

    RuntimeBankLoad load(std::size_t arenaFrames, const std::string& instrument) const
    {
        return loadRuntimeBankFrom(
            [this](const std::string& path, std::vector<std::uint8_t>& bytes) {
                const auto it = files.find(path);
                if (it == files.end()) return false;
                bytes = it->second;
                return true;
            },
            "bank", arenaFrames, instrument);
    }
};

inline void checkLoad(const RuntimeBankLoad& load, std::size_t arenaFrames)
{
    FUZZ_CHECK(load.outcome >= 0 && load.outcome <= 6);
    if (load.outcome != kBankOk) {
        FUZZ_CHECK(!load.message.empty());
        if (load.outcome == kBankTooLarge || load.outcome == kBankInstrumentUnknown)
            FUZZ_CHECK(load.bank.samples.empty() && load.bank.zones.empty() && load.bank.id.empty());
        return;
    }
    const StagedBank& bank = load.bank;
    FUZZ_CHECK(load.message.empty());
    FUZZ_CHECK(!bank.zones.empty() && !bank.samples.empty() && !bank.id.empty());
    FUZZ_CHECK(arenaFrames == 0 || bank.samples.size() <= arenaFrames);
    FUZZ_CHECK(bank.sha256.size() == 64);
    for (const StagedZone& z : bank.zones) {
        FUZZ_CHECK(std::uint64_t{z.assetStart} + z.assetFrames <= bank.samples.size());
        FUZZ_CHECK(z.start >= z.assetStart && z.frames >= 1);
        FUZZ_CHECK(std::uint64_t{z.start} + z.frames <= std::uint64_t{z.assetStart} + z.assetFrames);
        FUZZ_CHECK(z.lowKey <= 127 && z.highKey <= 127 && z.rootKey <= 127);
        FUZZ_CHECK(z.lowVelocity <= 127 && z.highVelocity <= 127 && z.trigger <= 2);
        if (z.loop) {
            FUZZ_CHECK(z.loopStart < z.loopEnd && z.loopEnd <= z.frames);
            FUZZ_CHECK(z.loopCrossfade <= z.loopEnd - z.loopStart);
        }
    }
    for (const StagedPreset& p : bank.presets) FUZZ_CHECK(!p.preset.params.empty());
}

}  // namespace velmo::fuzz
