#include "tests/banks/bank_folder.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "banks/bank_files.h"

namespace velmo::test {

namespace {

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}
void putTag(std::vector<std::uint8_t>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

// 16-bit PCM, mono, 48 kHz: a short decaying ramp.
std::vector<std::uint8_t> monoWav(std::uint32_t frames) {
    std::vector<std::uint8_t> w;
    putTag(w, "RIFF");
    put32(w, 36 + frames * 2);
    putTag(w, "WAVE");
    putTag(w, "fmt ");
    put32(w, 16);
    put16(w, 1);
    put16(w, 1);
    put32(w, 48000);
    put32(w, 96000);
    put16(w, 2);
    put16(w, 16);
    putTag(w, "data");
    put32(w, frames * 2);
    for (std::uint32_t i = 0; i < frames; ++i) put16(w, static_cast<std::uint16_t>((i * 37) % 20000));
    return w;
}

void writeFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace

BankFolder::BankFolder(const BankFolderOptions& options) {
    std::string pattern = (std::filesystem::temp_directory_path() / "zuriz-bank-XXXXXX").string();
    path_ = mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
    const std::filesystem::path dir(path_);

    const std::vector<std::uint8_t> wav = monoWav(4800);
    std::ofstream(dir / "bell.wav", std::ios::binary)
        .write(reinterpret_cast<const char*>(wav.data()), static_cast<std::streamsize>(wav.size()));
    std::string hash = sha256Hex(wav.data(), wav.size());
    if (options.wrongAssetHash) hash[0] = hash[0] == '0' ? '1' : '0';

    writeFile(dir / "bell.json",
              R"({"format":"velmo-sampler-instrument/v1","zones":[{"id":"z1","assetId":"bell","rootKey":60}]})");
    writeFile(dir / "bright.json", R"({"params":{"strike.hardness":0.9,"ir.size":1.25}})");
    writeFile(dir / "bank.json",
              R"({"format":"velmo-sound-pack/v1","id":"test-bank","version":"1","name":"Test Bank",)"
              R"("assetTable":[{"id":"bell","path":"bell.wav","bytes":)" +
                  std::to_string(wav.size()) + R"(,"sha256":")" + hash + R"("}],)"
              R"("instruments":[{"id":"bell","name":"Bell","document":"bell.json"}],)"
              R"("kits":[{"id":"kit","name":"Kit","document":"bell.json"}],)"
              R"("presets":[{"id":"bright","name":"Bright","instrument":"bell","document":"bright.json"}]})");
}

BankFolder::~BankFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

}  // namespace velmo::test
