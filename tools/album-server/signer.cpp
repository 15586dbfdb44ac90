#include "signer.h"

#include <openssl/crypto.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <fstream>
#include <iterator>

#include "sha256.h"

std::string CSigner::Sign(std::string_view kxuin, std::string_view albumGbk) const {
    std::string message(kxuin);
    message.push_back('\n');
    message.append(albumGbk);
    unsigned char mac[EVP_MAX_MD_SIZE];
    unsigned int nMac = 0;
    HMAC(EVP_sha256(), m_strSecret.data(), static_cast<int>(m_strSecret.size()),
         reinterpret_cast<const unsigned char*>(message.data()), message.size(), mac, &nMac);
    return ToHex(mac, 16);
}

bool CSigner::Verify(std::string_view kxuin, std::string_view albumGbk, std::string_view signature) const {
    const std::string expected = Sign(kxuin, albumGbk);
    if (signature.size() != expected.size()) return false;
    std::string lower(signature);
    for (char& c : lower)
        if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
    return CRYPTO_memcmp(lower.data(), expected.data(), expected.size()) == 0;
}

std::optional<std::string> CSigner::LoadOrCreateSecret(const std::filesystem::path& file) {
    if (std::ifstream in(file, std::ios::binary); in) {
        std::string secret((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!secret.empty()) return secret;
    }
    unsigned char bytes[32];
    if (RAND_bytes(bytes, sizeof bytes) != 1) return std::nullopt;
    const std::string secret = ToHex(bytes, sizeof bytes);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << secret;
    if (!out) return std::nullopt;
    std::filesystem::permissions(file, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    return secret;
}
