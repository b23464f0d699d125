#include "banks/bank_loader.h"

#include <cmath>
#include <limits>
#include <map>
#include <string_view>
#include <utility>

#include "banks/bank_files.h"
#include "banks/manifest_fields.h"
#include "banks/wav_decode.h"
#include "docs/json_tree.h"

namespace velmo {

namespace {

constexpr std::string_view kManifestFormat = "velmo-sound-pack/v1";
constexpr std::string_view kInstrumentFormat = "velmo-sampler-instrument/v1";

using namespace manifest_fields;

struct Chosen {
    const JsonValue* entry = nullptr;
    const char* kind = "";
};

// What one asset contributes to the arena.
struct DecodedAsset {
    WavLayout layout;
    std::size_t arenaStart = 0;
    bool placed = false;
};

class Loader {
public:
    Loader(const BankFileReader& read, const std::string& folder, std::size_t arenaFrames,
           const std::string& instrument)
        : read_(read), folder_(folder), arenaFrames_(arenaFrames), request_(instrument) {}

    RuntimeBankLoad run() {
        stage();
        return std::move(load_);
    }

private:
    const BankFileReader& read_;
    const std::string& folder_;
    std::size_t arenaFrames_;
    const std::string& request_;
    RuntimeBankLoad load_;
    JsonValue manifest_;
    std::map<std::string, std::vector<std::uint8_t>, std::less<>> assets_;
    std::map<std::string, DecodedAsset, std::less<>> decoded_;

    bool fail(int outcome, std::string message) {
        load_.outcome = outcome;
        load_.message = std::move(message);
        return false;
    }
    bool failEmpty(int outcome, std::string message) {
        load_.bank = StagedBank{};
        return fail(outcome, std::move(message));
    }

    void stage() {
        if (!readManifest() || !verifyAssets()) return;
        collectPositionings();
        collectPresets();
        JsonValue document;
        if (!readInstrument(document)) return;
        const auto& zones = document.find("zones")->array;
        if (!decodeAssets(zones) || !fillArena(zones)) return;
        for (const JsonValue& zone : zones)
            if (zone.kind == JsonValue::Object) load_.bank.zones.push_back(stageZone(zone));
        StagedBank& bank = load_.bank;
        if (!bank.zones.empty() && bank.zones.front().sampleRate > 0.0) bank.sampleRate = bank.zones.front().sampleRate;
        if (bank.zones.empty() || bank.samples.empty()) {
            failEmpty(kBankMalformed, "bank staged no zones or no samples");
            return;
        }
        load_.outcome = kBankOk;
    }

    bool readManifest() {
        const std::string path = joinPath(folder_, "bank.json");
        std::vector<std::uint8_t> bytes;
        if (!read_(path, bytes)) return fail(kBankMissing, "cannot read " + path);
        if (!parseJsonDocument(bytes, manifest_) || manifest_.kind != JsonValue::Object)
            return fail(kBankMalformed, "bank.json is not a JSON object");
        const std::string format = manifest_.str("format", "");
        if (format != kManifestFormat)
            return fail(kBankMalformed,
                        "bank.json format is " + quote(format) + ", expected " + std::string(kManifestFormat));
        StagedBank& bank = load_.bank;
        bank.id = manifest_.str("id", "");
        bank.version = manifest_.str("version", "");
        bank.name = manifest_.str("name", "");
        if (bank.id.empty()) return fail(kBankMalformed, "bank.json declares no id");
        bank.sha256 = sha256Hex(bytes.data(), bytes.size());
        return true;
    }

    // Every asset is read and hashed, used by the chosen instrument or not.
    bool verifyAssets() {
        const auto& table = arrayOf(manifest_, "assetTable");
        if (table.empty()) return fail(kBankMalformed, "bank.json declares no assetTable");
        for (const JsonValue& asset : table) {
            if (asset.kind != JsonValue::Object) continue;
            const std::string id = asset.str("id", "");
            const std::string path = asset.str("path", "");
            if (id.empty() || path.empty()) return fail(kBankMalformed, "assetTable entry missing id or path");
            const std::string named = "asset " + quote(id);
            if (!pathIsContained(path)) return fail(kBankMalformed, named + " path escapes the bank directory");
            const std::string codec = asset.str("codec", "wav");
            if (codec != "wav")
                return fail(kBankUnsupportedCodec, named + " codec " + quote(codec) +
                                                       " is not decoded by the native runtime loader (wav only)");
            std::vector<std::uint8_t> bytes;
            if (!read_(joinPath(folder_, path), bytes)) return fail(kBankMissing, named + " file missing: " + path);
            const JsonValue* declared = member(asset, "bytes", JsonValue::Number);
            if (declared != nullptr && declared->number >= 0.0 && declaredBytes(declared->number) != bytes.size())
                return fail(kBankHashMismatch, named + " is " + std::to_string(bytes.size()) +
                                                   " bytes, manifest declares " +
                                                   std::to_string(declaredBytes(declared->number)));
            const std::string expected = asset.str("sha256", "");
            if (!expected.empty()) {
                const std::string actual = sha256Hex(bytes.data(), bytes.size());
                if (actual != expected)
                    return fail(kBankHashMismatch,
                                named + " sha256 " + actual.substr(0, 16) + "\xE2\x80\xA6 does not match the manifest");
            }
            assets_[id] = std::move(bytes);
        }
        return true;
    }

    void collectPositionings() {
        for (const char* kind : {"instruments", "kits"})
            for (const JsonValue& entry : arrayOf(manifest_, kind)) {
                if (entry.kind != JsonValue::Object) continue;
                std::string id = entry.str("id", "");
                if (!id.empty()) load_.bank.positionings.push_back({std::move(id), entry.str("name", ""), kind});
            }
    }

    // A preset that cannot be read or carries no parameters is left out without a word.
    void collectPresets() {
        for (const JsonValue& entry : arrayOf(manifest_, "presets")) {
            if (entry.kind != JsonValue::Object) continue;
            BankControlPreset preset;
            preset.id = entry.str("id", "");
            if (preset.id.empty()) continue;
            preset.name = entry.str("name", "");
            if (preset.name.empty()) preset.name = preset.id;
            preset.instrument = entry.str("instrument", "");
            const std::string document = entry.str("document", "");
            if (document.empty() || !pathIsContained(document)) continue;
            std::vector<std::uint8_t> bytes;
            JsonValue root;
            if (!read_(joinPath(folder_, document), bytes) || !parseJsonDocument(bytes, root)) continue;
            const JsonValue* params = member(root, "params", JsonValue::Object);
            if (params == nullptr) continue;
            for (const auto& [name, value] : params->object)  // byte order of the names
                if (value.kind == JsonValue::Number && std::isfinite(value.number))
                    preset.params.emplace_back(name, value.number);
            if (!preset.params.empty()) load_.bank.presets.push_back({std::move(preset)});
        }
    }

    Chosen choose() const {
        for (const char* kind : {"instruments", "kits"})
            for (const JsonValue& entry : arrayOf(manifest_, kind)) {
                if (entry.kind != JsonValue::Object) continue;
                if (!request_.empty() && entry.str("id", "") != request_) continue;
                if (!entry.str("document", "").empty()) return {&entry, kind};
            }
        return {};
    }

    std::string knownList() const {
        const auto& known = load_.bank.positionings;
        if (known.empty()) return " (the bank lists none)";
        std::string list = " (known: ";
        for (std::size_t i = 0; i < known.size(); ++i) list += (i ? ", " : "") + known[i].id;
        return list + ")";
    }

    bool readInstrument(JsonValue& document) {
        const Chosen chosen = choose();
        if (chosen.entry == nullptr) {
            if (request_.empty()) return fail(kBankMalformed, "bank.json names no readable instrument/kit document");
            const std::string message =
                "bank " + load_.bank.id + " has no instrument or kit " + quote(request_) + knownList();
            return failEmpty(kBankInstrumentUnknown, message);
        }
        StagedBank& bank = load_.bank;
        bank.instrumentId = chosen.entry->str("id", "");
        bank.instrumentName = chosen.entry->str("name", "");
        bank.instrumentKind = chosen.kind;
        const std::string path = chosen.entry->str("document", "");
        if (!pathIsContained(path)) return fail(kBankMalformed, "bank.json names no readable instrument/kit document");
        std::vector<std::uint8_t> bytes;
        if (!read_(joinPath(folder_, path), bytes)) return fail(kBankMissing, "instrument document missing: " + path);
        if (!parseJsonDocument(bytes, document) || document.kind != JsonValue::Object)
            return fail(kBankMalformed, "instrument document is not a JSON object");
        const std::string format = document.str("format", "");
        if (format != kInstrumentFormat)
            return fail(kBankMalformed, "instrument document format is " + quote(format) + ", expected " +
                                            std::string(kInstrumentFormat));
        const JsonValue* zones = member(document, "zones", JsonValue::Array);
        if (zones == nullptr || zones->array.empty())
            return fail(kBankMalformed, "instrument document declares no zones");
        return true;
    }

    // Checks every used asset's header once; the samples are converted when the arena is filled.
    bool decodeAssets(const std::vector<JsonValue>& zones) {
        for (const JsonValue& zone : zones) {
            if (zone.kind != JsonValue::Object) continue;
            const std::string assetId = zone.str("assetId", "");
            const auto asset = assets_.find(assetId);
            if (asset == assets_.end())
                return fail(kBankMalformed, "zone " + quote(zone.str("id", "")) + " names asset " + quote(assetId) +
                                                " which the assetTable does not declare");
            if (decoded_.count(assetId) != 0) continue;
            DecodedAsset decoded;
            std::string message;
            if (!readWavLayout(asset->second.data(), asset->second.size(), decoded.layout, message))
                return fail(kBankUnsupportedCodec, "asset " + quote(assetId) + ": " + message);
            decoded_.emplace(assetId, decoded);
        }
        return true;
    }

    // Places each asset once, in the order zones first use it, then decodes straight into the
    // arena, letting go of each file's bytes as it goes.
    bool fillArena(const std::vector<JsonValue>& zones) {
        std::size_t total = 0;
        std::vector<std::pair<DecodedAsset*, const std::string*>> order;
        for (const JsonValue& zone : zones) {
            if (zone.kind != JsonValue::Object) continue;
            auto it = decoded_.find(zone.str("assetId", ""));
            DecodedAsset& asset = it->second;
            if (asset.placed) continue;
            asset.placed = true;
            asset.arenaStart = total;
            total += asset.layout.frames;
            order.emplace_back(&asset, &it->first);
            // Zone positions are 32-bit: a larger arena is too large whatever the engine says.
            if ((arenaFrames_ != 0 && total > arenaFrames_) || total > 0xFFFFFFFFu)
                return failEmpty(kBankTooLarge, "bank needs " + std::to_string(total) +
                                                    " arena frames, the kernel published " +
                                                    std::to_string(arenaFrames_));
        }
        // Grown asset by asset inside the exact reservation, so each piece is zeroed and then
        // written while it is still in cache.
        std::vector<float>& arena = load_.bank.samples;
        arena.reserve(total);
        for (const auto& [asset, id] : order) {
            auto bytes = assets_.find(*id);
            arena.resize(asset->arenaStart + asset->layout.frames);
            convertWavFrames(asset->layout, bytes->second.data(), arena.data() + asset->arenaStart);
            std::vector<std::uint8_t>().swap(bytes->second);
        }
        return true;
    }

    StagedZone stageZone(const JsonValue& zone) const {
        const DecodedAsset& asset = decoded_.find(zone.str("assetId", ""))->second;
        StagedZone z;
        z.id = zone.str("id", "");
        z.assetStart = static_cast<std::uint32_t>(asset.arenaStart);
        z.assetFrames = static_cast<std::uint32_t>(asset.layout.frames);
        z.sampleRate = asset.layout.sampleRate;

        const std::uint32_t startFrame = frameValue(zone, "startFrame");
        const std::uint32_t offset = present(zone, "startFrame") && startFrame < z.assetFrames ? startFrame : 0;
        z.start = z.assetStart + offset;
        z.frames = z.assetFrames - offset;
        const std::uint32_t endFrame = frameValue(zone, "endFrame");
        if (present(zone, "endFrame") && endFrame > offset && endFrame - offset < z.frames)
            z.frames = endFrame - offset;

        z.lowKey = midiValue(zone, "lowKey", 0);
        z.highKey = midiValue(zone, "highKey", 127);
        z.rootKey = midiValue(zone, "rootKey", 60);
        z.lowVelocity = midiValue(zone, "lowVelocity", 0);
        z.highVelocity = midiValue(zone, "highVelocity", 127);
        z.keyTracking = boolOr(zone, "keyTracking", true) ? 1 : 0;
        z.reverse = boolOr(zone, "reverse", false) ? 1 : 0;
        z.gain = numberOr(zone, "gain", z.gain);
        z.pan = numberOr(zone, "pan", z.pan);
        z.fineTuneCents = numberOr(zone, "fineTuneCents", z.fineTuneCents);
        z.attackSeconds = numberOr(zone, "attackSeconds", z.attackSeconds);
        z.releaseSeconds = numberOr(zone, "releaseSeconds", z.releaseSeconds);
        z.filterCutoffHz = numberOr(zone, "filterCutoffHz", z.filterCutoffHz);
        z.filterResonance = numberOr(zone, "filterResonance", z.filterResonance);
        z.roundRobinGroup = frameValue(zone, "roundRobinGroup");
        z.chokeGroup = frameValue(zone, "chokeGroup");
        z.trigger = triggerCode(zone.str("trigger", "attack"));

        if (zone.str("loopMode", "none") == "forward" && present(zone, "loopStartFrame") &&
            present(zone, "loopEndFrame")) {
            z.loopStartFrameRaw = frameValue(zone, "loopStartFrame");
            z.loopEndFrameRaw = frameValue(zone, "loopEndFrame");
            const std::uint32_t loopStart = z.loopStartFrameRaw;
            const std::uint32_t loopEnd = z.loopEndFrameRaw;
            if (loopStart >= offset && loopStart < loopEnd && loopEnd - offset <= z.frames) {
                z.loop = 1;
                z.loopStart = loopStart - offset;
                z.loopEnd = loopEnd - offset;
                z.loopCrossfadeRaw = frameValue(zone, "loopCrossfadeFrames");
                z.loopCrossfade = z.loopCrossfadeRaw <= z.loopEnd - z.loopStart ? z.loopCrossfadeRaw : 0;
            }
        }
        return z;
    }
};

}  // namespace

RuntimeBankLoad loadRuntimeBankFrom(const BankFileReader& read, const std::string& folder, std::size_t arenaFrames,
                                    const std::string& instrument) {
    return Loader(read, folder, arenaFrames, instrument).run();
}

RuntimeBankLoad loadRuntimeBank(const std::string& folder, std::size_t arenaFrames, const std::string& instrument) {
    return loadRuntimeBankFrom(readWholeFile, folder, arenaFrames, instrument);
}

}  // namespace velmo
