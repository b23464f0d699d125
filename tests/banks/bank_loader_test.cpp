// The loader over real folders: every refusal with its exact message, the rules zones are staged
// by, and a valid bank staged completely.
#include <gtest/gtest.h>

#include <functional>

#include "banks/bank_loader.h"
#include "bank_folder.h"

namespace velmo {
namespace {

using namespace test;

struct LoadCase {
    std::string name;
    std::function<void(BankFolder&)> bend;
    int outcome;
    std::string message;  // "{dir}" stands for the bank folder
    std::string request = "";
    std::size_t arena = 0;
};

const std::string kEllipsis = "\xE2\x80\xA6";

std::vector<LoadCase> loadCases()
{
    const BankFolder plain;
    const std::string sizeA = std::to_string(plain.assetA.size());
    const std::string hashA = hexOf(plain.assetA);
    std::string upperA = hashA;
    for (char& c : upperA) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const auto setAsset = [](std::size_t i, const char* key, std::string raw) {
        return [=](BankFolder& b) { b.assets.at(i).set(key, raw); };
    };
    const auto setManifest = [](const char* key, std::string raw) {
        return [=](BankFolder& b) { b.manifest.set(key, raw); };
    };
    const auto file = [](const char* path, std::string text) {
        return [=](BankFolder& b) { b.extraFiles.emplace_back(path, text); };
    };
    std::vector<LoadCase> cases = {
        {"M1 no manifest", [](BankFolder& b) { b.writeManifest = false; }, 1, "cannot read {dir}/bank.json"},
        {"M2 unparsable", file("bank.json", "{\"format\":"), 3, "bank.json is not a JSON object"},
        {"M2 array root", file("bank.json", "[{}]"), 3, "bank.json is not a JSON object"},
        {"M3 other version", setManifest("format", str("velmo-sound-pack/v2")), 3,
         "bank.json format is \"velmo-sound-pack/v2\", expected velmo-sound-pack/v1"},
        {"M3 format not a string", setManifest("format", "1"), 3,
         "bank.json format is \"\", expected velmo-sound-pack/v1"},
        {"M4 id not a string", setManifest("id", "7"), 3, "bank.json declares no id"},
        {"M5 empty table", setManifest("assetTable", "[]"), 3, "bank.json declares no assetTable"},
        {"M5 table not an array", setManifest("assetTable", "{\"a\":1}"), 3, "bank.json declares no assetTable"},
        {"M6 no path", [](BankFolder& b) { b.assets[1].erase("path"); }, 3, "assetTable entry missing id or path"},
        {"M6 after skipped non-objects", setManifest("assetTable", "[1,\"x\",{\"path\":\"a.wav\"}]"), 3,
         "assetTable entry missing id or path"},
        {"M8 codec", setAsset(1, "codec", str("flac")), 4,
         "asset \"b\" codec \"flac\" is not decoded by the native runtime loader (wav only)"},
        {"M9 missing file", setAsset(0, "path", str("samples/none.wav")), 1,
         "asset \"a\" file missing: samples/none.wav"},
        {"M9 a folder is no file", setAsset(0, "path", str("samples")), 1, "asset \"a\" file missing: samples"},
        {"M9 unused asset is verified too",
         [](BankFolder& b) { b.assets.push_back(JsonMembers().set("id", str("c")).set("path", str("c.wav"))); },
         1, "asset \"c\" file missing: c.wav"},
        {"M10 size", setAsset(0, "bytes", "3.9"), 2, "asset \"a\" is " + sizeA + " bytes, manifest declares 3"},
        {"M11 hash", setAsset(0, "sha256", str(std::string(64, '0'))), 2,
         "asset \"a\" sha256 " + hashA.substr(0, 16) + kEllipsis + " does not match the manifest"},
        {"M11 upper-case hash never matches", setAsset(0, "sha256", str(upperA)), 2,
         "asset \"a\" sha256 " + hashA.substr(0, 16) + kEllipsis + " does not match the manifest"},
        {"M12 no document anywhere",
         [](BankFolder& b) {
             b.manifest.set("instruments", "[{\"id\":\"tower\",\"document\":\"\"}]");
             b.manifest.erase("kits");
         },
         3, "bank.json names no readable instrument/kit document"},
        {"M12 document escapes", setManifest("instruments", "[{\"id\":\"t\",\"document\":\"../tower.json\"}]"), 3,
         "bank.json names no readable instrument/kit document"},
        {"M13 unknown", [](BankFolder&) {}, 6,
         "bank bells has no instrument or kit \"organ\" (known: tower, kit)", "organ"},
        {"M13 a match without document is passed over",
         setManifest("instruments", "[{\"id\":\"organ\",\"document\":\"\"},{\"id\":\"tower\",\"document\":\"tower.json\"}]"),
         6, "bank bells has no instrument or kit \"organ\" (known: organ, tower, kit)", "organ"},
        {"M13 nothing listed",
         [](BankFolder& b) {
             b.manifest.erase("instruments");
             b.manifest.set("kits", "{}");
         },
         6, "bank bells has no instrument or kit \"organ\" (the bank lists none)", "organ"},
        {"M14", setManifest("instruments", "[{\"id\":\"t\",\"document\":\"gone.json\"}]"), 1,
         "instrument document missing: gone.json"},
        {"M15", file("tower.json", "[]"), 3, "instrument document is not a JSON object"},
        {"M16", [](BankFolder& b) { b.instrument.set("format", str("velmo-sampler-instrument/v0")); }, 3,
         "instrument document format is \"velmo-sampler-instrument/v0\", expected velmo-sampler-instrument/v1"},
        {"M17", [](BankFolder& b) { b.zones.clear(); }, 3, "instrument document declares no zones"},
        {"M18", [](BankFolder& b) { b.zone(1).set("assetId", str("zz")); }, 3,
         "zone \"z2\" names asset \"zz\" which the assetTable does not declare"},
        {"M19", [](BankFolder& b) { b.assetB = wavFile(1, 1, 48000, 8, Bytes(16, 128)); }, 4,
         "asset \"b\": unsupported WAV format tag 1 / 8-bit"},
        {"M19 before the arena limit", [](BankFolder& b) { b.assetB = Bytes(64, 0); }, 4,
         "asset \"b\": not a RIFF/WAVE file", "", 1},
        {"M20 one frame short", [](BankFolder&) {}, 5, "bank needs 12 arena frames, the kernel published 11", "", 11},
        {"M20 on the first asset", [](BankFolder&) {}, 5, "bank needs 8 arena frames, the kernel published 7", "", 7},
        {"M21", file("tower.json", "{\"format\":\"velmo-sampler-instrument/v1\",\"zones\":[1,\"z\",null]}"), 3,
         "bank staged no zones or no samples"},
        {"arena exactly full", [](BankFolder&) {}, 0, "", "", 12},
        {"bytes -1 skips the size check", setAsset(0, "bytes", "-1"), 0, ""},
        {"a kit on request", [](BankFolder&) {}, 0, "", "kit"},
    };
    for (const char* escaping : {"../a.wav", "/tmp/a.wav", "samples\\\\a.wav", "samples/../../a.wav", "samples/.."})
        cases.push_back({std::string("M7 ") + escaping, setAsset(0, "path", str(escaping)), 3,
                         "asset \"a\" path escapes the bank directory"});
    return cases;
}

TEST(BankLoader, EveryOutcomeAndMessage)
{
    for (const LoadCase& c : loadCases()) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        BankFolder bank;
        c.bend(bank);
        bank.writeTo(dir);
        const RuntimeBankLoad load = loadRuntimeBank(dir.path(), c.arena, c.request);
        std::string message = c.message;
        if (auto at = message.find("{dir}"); at != std::string::npos) message.replace(at, 5, dir.path());
        EXPECT_EQ(load.outcome, c.outcome);
        EXPECT_EQ(load.message, message);
        if (c.outcome == kBankTooLarge || c.outcome == kBankInstrumentUnknown ||
            c.message == "bank staged no zones or no samples") {
            EXPECT_TRUE(load.bank.id.empty() && load.bank.positionings.empty() && load.bank.samples.empty());
            EXPECT_EQ(load.bank.sampleRate, 48000.0);
        }
    }
}

TEST(BankLoader, ValidBankIsStagedCompletely)
{
    ScratchDir dir;
    BankFolder bank;
    bank.writeTo(dir);
    const RuntimeBankLoad load = loadRuntimeBank(dir.path() + "/", 0, "");
    ASSERT_EQ(load.outcome, kBankOk) << load.message;
    EXPECT_EQ(load.message, "");
    const StagedBank& s = load.bank;
    EXPECT_EQ(s.id, "bells");
    EXPECT_EQ(s.version, "1.2");
    EXPECT_EQ(s.name, "Bells");
    EXPECT_EQ(s.instrumentId, "tower");
    EXPECT_EQ(s.instrumentName, "Tower");
    EXPECT_EQ(s.instrumentKind, "instruments");
    std::vector<std::uint8_t> manifest;
    ASSERT_TRUE(readWholeFile(dir.path() + "/bank.json", manifest));
    EXPECT_EQ(s.sha256, sha256Hex(manifest.data(), manifest.size()));
    ASSERT_EQ(s.positionings.size(), 2u);
    EXPECT_EQ(s.positionings[0].id + s.positionings[0].name + s.positionings[0].kind, "towerTowerinstruments");
    EXPECT_EQ(s.positionings[1].id + s.positionings[1].name + s.positionings[1].kind, "kitKitkits");

    // Parameters in byte order, only numbers; a nameless preset is named by its id.
    ASSERT_EQ(s.presets.size(), 2u);
    const BankControlPreset& p1 = s.presets[0].preset;
    EXPECT_EQ(p1.id + "|" + p1.name + "|" + p1.instrument, "p1|Bright|tower");
    const std::vector<std::pair<std::string, double>> params = {{"Damping", 2}, {"level", 0.25}, {"ring", 1.5}};
    EXPECT_EQ(p1.params, params);
    EXPECT_EQ(s.presets[1].preset.name, "p2");

    // Asset a once (shared by z1 and z3), then b averaged to mono; both quantised.
    const auto q = [](int step) { return static_cast<float>(step / 32768.0); };
    const std::vector<float> arena = {0, q(16384), q(-16384), q(32766), q(1), q(2), q(3), q(4),
                                      q(32767), q(-8192), 0, q(1)};
    EXPECT_EQ(s.samples, arena);
    ASSERT_EQ(s.zones.size(), 3u);
    EXPECT_EQ(s.zones[0].assetStart, 0u);
    EXPECT_EQ(s.zones[0].frames, 8u);
    EXPECT_EQ(s.zones[0].sampleRate, 44100.0);
    EXPECT_EQ(s.zones[1].assetStart, 8u);
    EXPECT_EQ(s.zones[1].start, 8u);
    EXPECT_EQ(s.zones[1].assetFrames, 4u);
    EXPECT_EQ(s.zones[1].sampleRate, 48000.0);
    EXPECT_EQ(s.zones[2].assetStart, 0u);
    EXPECT_EQ(s.zones[2].id, "z3");
    EXPECT_EQ(s.sampleRate, 44100.0);

    // Presets that cannot be read or carry no finite numbers are dropped without a word.
    BankFolder quiet;
    quiet.manifest.set("presets", "[{\"id\":\"x\",\"document\":\"none.json\"},{\"id\":\"y\",\"document\":\"y.json\"},"
                                  "{\"id\":\"z\",\"document\":\"../p2.json\"},{\"document\":\"p2.json\"},"
                                  "{\"id\":\"w\",\"document\":\"p2.json\",\"name\":\"W\"}]");
    quiet.extraFiles.emplace_back("y.json", "{\"params\":{\"a\":nan,\"b\":\"1\"}}");
    ScratchDir other;
    quiet.writeTo(other);
    const RuntimeBankLoad second = loadRuntimeBank(other.path(), 0, "kit");
    ASSERT_EQ(second.outcome, kBankOk) << second.message;
    ASSERT_EQ(second.bank.presets.size(), 1u);
    EXPECT_EQ(second.bank.presets[0].preset.name, "W");
    EXPECT_EQ(second.bank.instrumentKind, "kits");
    EXPECT_EQ(second.bank.samples.size(), 4u);  // the kit uses only b
}

TEST(BankLoader, ZoneRules)
{
    BankFolder bank;
    const auto zone = [](const std::string& asset) { return JsonMembers().set("assetId", str(asset)); };
    bank.zones = {
        zone("a").set("startFrame", "8").set("endFrame", "5").set("lowKey", "12.5").set("highKey", "300")
            .set("rootKey", "-3").set("lowVelocity", str("64")).set("highVelocity", "99.5"),
        zone("a").set("startFrame", "2").set("endFrame", "6"),
        zone("b").set("startFrame", "1").set("endFrame", "1"),
        zone("a").set("startFrame", "2.9").set("endFrame", "100"),
        zone("a").set("startFrame", "-4").set("rootKey", "0.49"),
        zone("a").set("loopMode", str("forward")).set("startFrame", "1").set("loopStartFrame", "2")
            .set("loopEndFrame", "6").set("loopCrossfadeFrames", "4"),
        zone("a").set("loopMode", str("forward")).set("loopStartFrame", "2").set("loopEndFrame", "9"),
        zone("a").set("loopMode", str("forward")).set("loopStartFrame", "1").set("loopEndFrame", "3")
            .set("loopCrossfadeFrames", "5"),
        zone("a").set("loopMode", str("pingpong")).set("loopStartFrame", "1").set("loopEndFrame", "3"),
        zone("a").set("loopMode", str("forward")).set("loopStartFrame", "1").set("loopEndFrame", "null"),
        zone("a").set("gain", "-2.5").set("pan", "3").set("fineTuneCents", "7").set("attackSeconds", "0")
            .set("releaseSeconds", str("1")).set("filterCutoffHz", "1000").set("filterResonance", "0.7")
            .set("keyTracking", "false").set("reverse", "true").set("trigger", str("release"))
            .set("roundRobinGroup", "2.7").set("chokeGroup", "-1"),
        zone("a").set("trigger", str("legato")).set("keyTracking", "0").set("reverse", "1"),
        zone("a").set("trigger", str("Release")).set("startFrame", "1e12"),
    };
    ScratchDir dir;
    bank.writeTo(dir);
    const RuntimeBankLoad load = loadRuntimeBank(dir.path(), 0, "tower");
    ASSERT_EQ(load.outcome, kBankOk) << load.message;
    const auto& z = load.bank.zones;
    ASSERT_EQ(z.size(), 13u);
    const auto span = [](const StagedZone& s) { return std::to_string(s.start) + "+" + std::to_string(s.frames); };
    EXPECT_EQ(span(z[0]), "0+5");  // startFrame at the asset's length is ignored
    EXPECT_EQ(span(z[1]), "2+4");
    EXPECT_EQ(span(z[2]), "9+3");  // an end not past the start is ignored
    EXPECT_EQ(span(z[3]), "2+6");
    EXPECT_EQ(span(z[4]), "0+8");
    EXPECT_EQ(span(z[12]), "0+8");
    EXPECT_EQ(z[0].lowKey, 13u);
    EXPECT_EQ(z[0].highKey, 127u);
    EXPECT_EQ(z[0].rootKey, 0u);
    EXPECT_EQ(z[0].lowVelocity, 0u);
    EXPECT_EQ(z[0].highVelocity, 100u);
    EXPECT_EQ(z[4].rootKey, 0u);
    EXPECT_EQ(z[1].rootKey, 60u);

    const auto loop = [](const StagedZone& s) {
        return std::to_string(s.loop) + ":" + std::to_string(s.loopStart) + "-" + std::to_string(s.loopEnd) + "/" +
               std::to_string(s.loopCrossfade) + " raw " + std::to_string(s.loopStartFrameRaw) + "-" +
               std::to_string(s.loopEndFrameRaw) + "/" + std::to_string(s.loopCrossfadeRaw);
    };
    const std::string unset = std::to_string(kZoneUnset);
    EXPECT_EQ(loop(z[5]), "1:1-5/4 raw 2-6/4");
    EXPECT_EQ(loop(z[6]), "0:0-0/0 raw 2-9/" + unset);  // ends past the zone
    EXPECT_EQ(loop(z[7]), "1:1-3/0 raw 1-3/5");          // crossfade longer than the loop
    EXPECT_EQ(loop(z[8]), "0:0-0/0 raw " + unset + "-" + unset + "/" + unset);
    EXPECT_EQ(loop(z[9]), loop(z[8]));

    const StagedZone& f = z[10];
    EXPECT_EQ(f.gain, -2.5);
    EXPECT_EQ(f.pan, 3.0);
    EXPECT_EQ(f.fineTuneCents, 7.0);
    EXPECT_EQ(f.attackSeconds, 0.0);
    EXPECT_EQ(f.releaseSeconds, 0.05);
    EXPECT_EQ(f.filterCutoffHz, 1000.0);
    EXPECT_EQ(f.filterResonance, 0.7);
    EXPECT_EQ(f.keyTracking, 0u);
    EXPECT_EQ(f.reverse, 1u);
    EXPECT_EQ(f.trigger, 1u);
    EXPECT_EQ(f.roundRobinGroup, 2u);
    EXPECT_EQ(f.chokeGroup, 0u);
    EXPECT_EQ(z[11].trigger, 2u);
    EXPECT_EQ(z[11].keyTracking, 1u);
    EXPECT_EQ(z[11].reverse, 0u);
    EXPECT_EQ(z[12].trigger, 0u);
    EXPECT_EQ(z[1].attackSeconds, 0.001);
}

}  // namespace
}  // namespace velmo
