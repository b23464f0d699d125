#pragma once
// Writes small bank folders for the loader's tests: a valid bank by default, which a test then
// bends one member or file at a time. Documents are kept as ordered lists of raw JSON members.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "banks/bank_files.h"
#include "tests/support/scratch_dir.h"
#include "wav_file.h"

namespace velmo::test {

inline std::string str(const std::string& text)
{
    std::string out(1, '"');
    out += text;
    out += '"';
    return out;
}

// Members of one JSON object, each value as raw JSON text; set() replaces or appends.
struct JsonMembers {
    std::vector<std::pair<std::string, std::string>> members;

    JsonMembers& set(const std::string& key, const std::string& raw)
    {
        for (auto& m : members)
            if (m.first == key) {
                m.second = raw;
                return *this;
            }
        members.emplace_back(key, raw);
        return *this;
    }
    void erase(const std::string& key) { std::erase_if(members, [&](auto& m) { return m.first == key; }); }
    std::string text() const
    {
        std::string out = "{";
        for (const auto& [key, raw] : members) {
            if (out.size() > 1) out += ',';
            out += str(key);
            out += ':';
            out += raw;
        }
        return out + "}";
    }
};


inline std::string array(const std::vector<JsonMembers>& items)
{
    std::string out = "[";
    for (const auto& item : items) {
        if (out.size() > 1) out += ',';
        out += item.text();
    }
    return out + "]";
}

inline std::string hexOf(const Bytes& bytes) { return sha256Hex(bytes.data(), bytes.size()); }

// The default bank "bells": asset "a" (mono 16-bit, 8 frames, 44100 Hz) and "b" (stereo 24-bit,
// 4 frames, 48000 Hz), instrument "tower" (zones on a, b, a) and kit "kit", two presets.
struct BankFolder {
    Bytes assetA = wavFile(1, 1, 44100, 16, pcm16({0, 16384, -16384, 32767, 1, 2, 3, 4}));
    Bytes assetB = wavFile(1, 2, 48000, 24, pcm24({8388607, 8388607, -4194304, 0, 0, 0, 256, 256}));
    JsonMembers manifest;
    std::vector<JsonMembers> assets;
    JsonMembers instrument;
    std::vector<JsonMembers> zones;
    std::vector<std::pair<std::string, std::string>> extraFiles;  // path, text; written last
    bool writeManifest = true;

    BankFolder()
    {
        assets = {JsonMembers().set("id", str("a")).set("path", str("samples/a.wav"))
                      .set("sha256", str(hexOf(assetA))).set("bytes", std::to_string(assetA.size())),
                  JsonMembers().set("id", str("b")).set("path", str("./samples/b.wav")).set("codec", str("wav"))};
        manifest.set("format", str("velmo-sound-pack/v1")).set("id", str("bells"))
            .set("version", str("1.2")).set("name", str("Bells"))
            .set("instruments", "[{\"id\":\"tower\",\"name\":\"Tower\",\"document\":\"tower.json\"}]")
            .set("kits", "[{\"id\":\"kit\",\"name\":\"Kit\",\"document\":\"kit.json\"}]")
            .set("presets", "[{\"id\":\"p1\",\"name\":\"Bright\",\"instrument\":\"tower\",\"document\":\"p1.json\"},"
                            "{\"id\":\"p2\",\"document\":\"p2.json\"}]");
        zones = {JsonMembers().set("id", str("z1")).set("assetId", str("a")),
                 JsonMembers().set("id", str("z2")).set("assetId", str("b")),
                 JsonMembers().set("id", str("z3")).set("assetId", str("a"))};
        instrument.set("format", str("velmo-sampler-instrument/v1"));
        extraFiles = {{"kit.json", "{\"format\":\"velmo-sampler-instrument/v1\",\"zones\":[{\"assetId\":\"b\"}]}"},
                      {"p1.json", "{\"params\":{\"ring\":1.5,\"level\":0.25,\"Damping\":2,\"bad\":\"x\"}}"},
                      {"p2.json", "{\"params\":{\"ring\":0.5}}"}};
    }

    JsonMembers& zone(std::size_t i) { return zones.at(i); }

    void writeTo(const ScratchDir& dir) const
    {
        dir.write("samples/a.wav", assetA);
        dir.write("samples/b.wav", assetB);
        JsonMembers m = manifest;
        bool ownTable = false;
        for (const auto& member : m.members) ownTable |= member.first == "assetTable";
        if (!ownTable) m.set("assetTable", array(assets));
        if (writeManifest) dir.write("bank.json", m.text());
        JsonMembers doc = instrument;
        doc.set("zones", array(zones));
        dir.write("tower.json", doc.text());
        for (const auto& [path, text] : extraFiles) dir.write(path, text);
    }
};

}  // namespace velmo::test
