#include "account_book.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <sstream>
#include <system_error>

#include "gbk_text.h"

namespace fs = std::filesystem;

std::string HexOf(std::string_view bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out.push_back(kDigits[c >> 4]);
        out.push_back(kDigits[c & 15]);
    }
    return out;
}

namespace {

bool IsDecimal(std::string_view s) {
    if (s.empty() || s.size() > 10) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

uint64_t SumOfFiles(const fs::path& dir) {
    uint64_t n = 0;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec))
        if (entry.is_regular_file(ec)) n += entry.file_size(ec);
    return n;
}

// "name.jpg", "name-2.jpg", "name-3.jpg", ...
std::string NumberedName(std::string_view name, int n) {
    if (n == 1) return std::string(name);
    const size_t nDot = name.rfind('.');
    const std::string_view stem = nDot == std::string_view::npos || nDot == 0 ? name : name.substr(0, nDot);
    const std::string_view ext = stem.size() == name.size() ? std::string_view{} : name.substr(nDot);
    return std::string(stem) + "-" + std::to_string(n) + std::string(ext);
}

}  // namespace

CAccountBook::CAccountBook(CAccountBook&& other) noexcept
    : m_albums(std::move(other.m_albums)), m_used(std::move(other.m_used)) {}

std::optional<CAccountBook> CAccountBook::Load(const fs::path& accountsFile, const fs::path& dataDir,
                                               std::string& strError) {
    std::ifstream in(accountsFile);
    if (!in) {
        strError = "cannot read " + accountsFile.string();
        return std::nullopt;
    }
    CAccountBook book;
    std::string line;
    for (int nLine = 1; std::getline(in, line); ++nLine) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t nStart = line.find_first_not_of(" \t");
        if (nStart == std::string::npos || line[nStart] == '#') continue;
        std::istringstream fields(line);
        std::string kxuin, quota;
        fields >> kxuin >> quota;
        std::string name;
        std::getline(fields >> std::ws, name);
        const auto nameGbk = Utf8ToGbk(name);
        if (!IsDecimal(kxuin) || !IsDecimal(quota) || name.empty() || !nameGbk) {
            strError = accountsFile.string() + ":" + std::to_string(nLine) + ": expected KXUIN QUOTA_KB ALBUM";
            return std::nullopt;
        }
        Album album;
        album.strKxuin = kxuin;
        album.strNameUtf8 = name;
        album.strNameGbk = *nameGbk;
        album.strId = HexOf(*nameGbk);
        album.nQuotaBytes = std::stoull(quota) * 1024;
        album.dir = dataDir / kxuin / album.strId;
        if (book.Find(album.strKxuin, album.strNameGbk)) {
            strError = accountsFile.string() + ":" + std::to_string(nLine) + ": album listed twice";
            return std::nullopt;
        }
        std::error_code ec;
        fs::create_directories(album.dir, ec);
        if (ec) {
            strError = "cannot create " + album.dir.string() + ": " + ec.message();
            return std::nullopt;
        }
        book.m_used.push_back(SumOfFiles(album.dir));
        book.m_albums.push_back(std::move(album));
    }
    return book;
}

const Album* CAccountBook::Find(std::string_view kxuin, std::string_view nameGbk) const {
    for (const auto& album : m_albums)
        if (album.strKxuin == kxuin && album.strNameGbk == nameGbk) return &album;
    return nullptr;
}

const Album* CAccountBook::FindById(std::string_view kxuin, std::string_view id) const {
    for (const auto& album : m_albums)
        if (album.strKxuin == kxuin && album.strId == id) return &album;
    return nullptr;
}

uint64_t CAccountBook::UsedBytes(const Album& album) const {
    std::lock_guard guard(m_lock);
    return m_used[static_cast<size_t>(&album - m_albums.data())];
}

std::vector<StoredPicture> CAccountBook::Pictures(const Album& album) const {
    std::vector<StoredPicture> pictures;
    std::lock_guard guard(m_lock);
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(album.dir, ec))
        if (entry.is_regular_file(ec)) pictures.push_back({entry.path().filename().string(), entry.file_size(ec)});
    std::sort(pictures.begin(), pictures.end(),
              [](const StoredPicture& a, const StoredPicture& b) { return a.strNameGbk < b.strNameGbk; });
    return pictures;
}

CAccountBook::CommitResult CAccountBook::Commit(const Album& album, CIncomingFile& file, uint64_t nBytes,
                                                std::string_view nameGbk, std::string& strStoredName) {
    std::lock_guard guard(m_lock);
    uint64_t& nUsed = m_used[static_cast<size_t>(&album - m_albums.data())];
    if (nUsed + nBytes > album.nQuotaBytes) return CommitResult::OverQuota;
    for (int n = 1; n < 1000; ++n) {
        const std::string candidate = NumberedName(nameGbk, n);
        if (file.MoveTo(album.dir / candidate)) {
            nUsed += nBytes;
            strStoredName = candidate;
            return CommitResult::Stored;
        }
        if (errno != EEXIST) break;
    }
    return CommitResult::StorageFailed;
}
