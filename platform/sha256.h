#pragma once
// SHA-256 (FIPS 180-4), incremental, on the system's crypto library.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace velmo {

class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void update(const void* data, std::size_t count);
    // The digest of everything added; the hasher starts over afterwards.
    std::array<std::uint8_t, 32> finish();

private:
    void* context_;
};

// 64 lower-case hexadecimal characters.
std::string sha256HexDigest(const void* data, std::size_t count);
std::string hexDigest(const std::array<std::uint8_t, 32>& digest);

}  // namespace velmo
