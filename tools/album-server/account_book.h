// The albums this server keeps: who owns them, their quota, and the space their pictures use.
#pragma once
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "incoming_file.h"

struct Album {
    std::string strKxuin;
    std::string strNameGbk;   // as the control sends it
    std::string strNameUtf8;  // as the accounts file spells it
    std::string strId;        // hex of the GBK name: the folder name and the address part
    uint64_t nQuotaBytes = 0;
    std::filesystem::path dir;
};

struct StoredPicture {
    std::string strNameGbk;
    uint64_t nBytes = 0;
};

class CAccountBook {
public:
    // Lines "KXUIN QUOTA_KB ALBUM NAME" (UTF-8; the name runs to the end of the line);
    // '#' starts a comment. The folders are made, and the space in use is read from them.
    static std::optional<CAccountBook> Load(const std::filesystem::path& accountsFile,
                                            const std::filesystem::path& dataDir, std::string& strError);

    CAccountBook(CAccountBook&& other) noexcept;

    const std::vector<Album>& Albums() const { return m_albums; }
    const Album* Find(std::string_view kxuin, std::string_view nameGbk) const;
    const Album* FindById(std::string_view kxuin, std::string_view id) const;

    uint64_t UsedBytes(const Album& album) const;
    std::vector<StoredPicture> Pictures(const Album& album) const;

    enum class CommitResult { Stored, OverQuota, StorageFailed };
    // Checks the quota and gives the file its final name under one lock, so two uploads to
    // one album can never both squeeze into the last of its space.
    CommitResult Commit(const Album& album, CIncomingFile& file, uint64_t nBytes, std::string_view nameGbk,
                        std::string& strStoredName);

private:
    CAccountBook() = default;

    std::vector<Album> m_albums;
    std::vector<uint64_t> m_used;  // per album, same order
    mutable std::mutex m_lock;
};

// Hex of arbitrary bytes, lower case.
std::string HexOf(std::string_view bytes);
