// Issues and checks the per-album signatures that a page hands to the control.
#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// signature = EXPIRES "-" lower-case hex of the first 16 bytes of
// HMAC-SHA256(secret, kxuin "\n" album "\n" EXPIRES), with the album name in the bytes the
// control sends (code page 936) and EXPIRES the Unix time after which it is refused, in
// decimal. The expiry is inside the signed text: changing it breaks the MAC.
class CSigner {
public:
    // How long a signature handed to a page stays good.
    static constexpr int64_t kLifetimeSeconds = 24 * 60 * 60;

    enum class Check { Valid, Expired, Invalid };

    explicit CSigner(std::string strSecret) : m_strSecret(std::move(strSecret)) {}

    std::string Sign(std::string_view kxuin, std::string_view albumGbk, int64_t nExpires) const;
    // A signature good for kLifetimeSeconds from now.
    std::string Issue(std::string_view kxuin, std::string_view albumGbk) const;
    // Upper-case hex is accepted too; the comparison takes the same time wherever it differs.
    Check Verify(std::string_view kxuin, std::string_view albumGbk, std::string_view signature, int64_t nNow) const;

    static int64_t Now();

    // The secret kept in the data folder, made from 32 random bytes on first use, so the
    // signatures a site has handed out stay valid across restarts. The file is created
    // readable by its owner only, and never through a link that is already there.
    static std::optional<std::string> LoadOrCreateSecret(const std::filesystem::path& file);

private:
    std::string m_strSecret;
};
