#include "platform/sha256.h"

#include <openssl/evp.h>

#include <cstdlib>

namespace velmo {

namespace {
EVP_MD_CTX* ctx(void* p) { return static_cast<EVP_MD_CTX*>(p); }

void begin(EVP_MD_CTX* c)
{
    if (EVP_DigestInit_ex(c, EVP_sha256(), nullptr) != 1) std::abort();
}
}  // namespace

Sha256::Sha256() : context_(EVP_MD_CTX_new())
{
    if (context_ == nullptr) std::abort();  // out of memory: nothing sensible to return
    begin(ctx(context_));
}

Sha256::~Sha256() { EVP_MD_CTX_free(ctx(context_)); }

void Sha256::update(const void* data, std::size_t count)
{
    if (count > 0) EVP_DigestUpdate(ctx(context_), data, count);
}

std::array<std::uint8_t, 32> Sha256::finish()
{
    std::array<std::uint8_t, 32> digest{};
    unsigned int length = 0;
    EVP_DigestFinal_ex(ctx(context_), digest.data(), &length);
    begin(ctx(context_));
    return digest;
}

std::string hexDigest(const std::array<std::uint8_t, 32>& digest)
{
    static const char kHex[] = "0123456789abcdef";
    std::string text(64, '0');
    for (std::size_t i = 0; i < digest.size(); ++i) {
        text[2 * i] = kHex[digest[i] >> 4];
        text[2 * i + 1] = kHex[digest[i] & 15];
    }
    return text;
}

std::string sha256HexDigest(const void* data, std::size_t count)
{
    Sha256 hasher;
    hasher.update(data, count);
    return hexDigest(hasher.finish());
}

}  // namespace velmo
