#include "signer.h"

#include <fcntl.h>
#include <openssl/crypto.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>
#include <unistd.h>

#include <charconv>
#include <ctime>
#include <fstream>
#include <iterator>

#include "sha256.h"

std::string CSigner::Sign(std::string_view kxuin, std::string_view albumGbk, int64_t nExpires) const {
    const std::string expires = std::to_string(nExpires);
    std::string message(kxuin);
    message.push_back('\n');
    message.append(albumGbk);
    message.push_back('\n');
    message.append(expires);
    unsigned char mac[EVP_MAX_MD_SIZE];
    unsigned int nMac = 0;
    HMAC(EVP_sha256(), m_strSecret.data(), static_cast<int>(m_strSecret.size()),
         reinterpret_cast<const unsigned char*>(message.data()), message.size(), mac, &nMac);
    return expires + "-" + ToHex(mac, 16);
}

std::string CSigner::Issue(std::string_view kxuin, std::string_view albumGbk) const {
    return Sign(kxuin, albumGbk, Now() + kLifetimeSeconds);
}

CSigner::Check CSigner::Verify(std::string_view kxuin, std::string_view albumGbk, std::string_view signature,
                               int64_t nNow) const {
    const size_t nDash = signature.find('-');
    if (nDash == std::string_view::npos || nDash == 0 || nDash > 19) return Check::Invalid;
    int64_t nExpires = 0;
    const auto [end, error] = std::from_chars(signature.data(), signature.data() + nDash, nExpires);
    if (error != std::errc() || end != signature.data() + nDash) return Check::Invalid;
    const std::string expected = Sign(kxuin, albumGbk, nExpires);
    // Only the canonical spelling of the expiry signs: "+5" or "007" would sign another text.
    if (signature.size() != expected.size() ||
        signature.substr(0, nDash) != std::string_view(expected).substr(0, nDash))
        return Check::Invalid;
    std::string lower(signature.substr(nDash));
    for (char& c : lower)
        if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
    if (CRYPTO_memcmp(lower.data(), expected.data() + nDash, lower.size()) != 0) return Check::Invalid;
    return nNow <= nExpires ? Check::Valid : Check::Expired;
}

int64_t CSigner::Now() { return static_cast<int64_t>(std::time(nullptr)); }

std::optional<std::string> CSigner::LoadOrCreateSecret(const std::filesystem::path& file) {
    if (std::ifstream in(file, std::ios::binary); in) {
        std::string secret((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (secret.empty()) return std::nullopt;  // a half-made secret is not replaced behind the site's back
        return secret;
    }
    unsigned char bytes[32];
    if (RAND_bytes(bytes, sizeof bytes) != 1) return std::nullopt;
    const std::string secret = ToHex(bytes, sizeof bytes);
    // Born private: no moment in which another user could open it, no link followed.
    const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return std::nullopt;
    const bool bWritten = write(fd, secret.data(), secret.size()) == static_cast<ssize_t>(secret.size());
    const bool bSynced = fsync(fd) == 0;
    close(fd);
    if (!bWritten || !bSynced) {
        unlink(file.c_str());
        return std::nullopt;
    }
    return secret;
}
