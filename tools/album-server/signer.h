// Issues and checks the per-album signatures that a page hands to the control.
#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// signature = lower-case hex of the first 16 bytes of HMAC-SHA256(secret, kxuin "\n" album),
// with the album name in the bytes the control sends (code page 936).
class CSigner {
public:
    explicit CSigner(std::string strSecret) : m_strSecret(std::move(strSecret)) {}

    std::string Sign(std::string_view kxuin, std::string_view albumGbk) const;
    // Upper-case hex is accepted too; the comparison takes the same time wherever it differs.
    bool Verify(std::string_view kxuin, std::string_view albumGbk, std::string_view signature) const;

    // The secret kept in the data folder, made from 32 random bytes on first use, so the
    // signatures a site has handed out stay valid across restarts.
    static std::optional<std::string> LoadOrCreateSecret(const std::filesystem::path& file);

private:
    std::string m_strSecret;
};
