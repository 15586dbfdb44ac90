#include "upload/journal_folder.h"

#include <shlobj.h>

#include <algorithm>

#include "framework/scoped_handle.h"

namespace {

// The control's own folder under the user's local application data.
constexpr char kFolderName[] = "Tessaline";
constexpr char kJournalPattern[] = "pass-*.journal";
// Beside each journal: the next version while it is written, and the claim of its pass.
constexpr char kNewSuffix[] = ".new";
constexpr char kClaimSuffix[] = ".lock";

// 100-ns intervals from 1601 to 1970.
constexpr std::uint64_t kUnixEpochInFileTime = 116444736000000000ull;

std::uint64_t ToUint64(DWORD nHigh, DWORD nLow) { return (static_cast<std::uint64_t>(nHigh) << 32) | nLow; }

class CLockFileClaim : public CPassClaim {
public:
    explicit CLockFileClaim(CScopedHandle file) : m_file(std::move(file)) {}

private:
    CScopedHandle m_file;
};

bool WriteAll(HANDLE hFile, const std::string& strBytes) {
    std::size_t nDone = 0;
    while (nDone < strBytes.size()) {
        const DWORD nChunk = static_cast<DWORD>(std::min<std::size_t>(strBytes.size() - nDone, 1 << 20));
        DWORD nWritten = 0;
        if (!WriteFile(hFile, strBytes.data() + nDone, nChunk, &nWritten, nullptr) || nWritten == 0) return false;
        nDone += nWritten;
    }
    return true;
}

}  // namespace

CJournalFolder::CJournalFolder() {
    char szPath[MAX_PATH] = {};
    if (SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, szPath)) && szPath[0])
        m_strFolder = std::string(szPath) + "\\" + kFolderName + "\\";
}

bool CJournalFolder::MakeFolder() const {
    if (m_strFolder.empty()) return false;
    const std::string strDir = m_strFolder.substr(0, m_strFolder.size() - 1);
    return CreateDirectoryA(strDir.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

std::optional<std::string> CJournalFolder::Read(const std::string& strName, std::size_t nMaxBytes) {
    if (m_strFolder.empty()) return std::nullopt;
    // Read only under the journal's claim: no pass is replacing it meanwhile.
    CScopedHandle file(CreateFileA((m_strFolder + strName).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 || static_cast<std::uint64_t>(size.QuadPart) > nMaxBytes)
        return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD nRead = 0;
    if (!bytes.empty() && (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &nRead, nullptr) ||
                           nRead != bytes.size()))
        return std::nullopt;
    return bytes;
}

bool CJournalFolder::Replace(const std::string& strName, const std::string& strBytes) {
    if (!MakeFolder()) return false;
    const std::string strPath = m_strFolder + strName;
    const std::string strNew = strPath + kNewSuffix;
    {
        CScopedHandle file(
            CreateFileA(strNew.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        // On the disk before it takes the journal's name: a power cut after the move must
        // not leave a name over blocks never written.
        if (!WriteAll(file.Get(), strBytes) || !FlushFileBuffers(file.Get())) {
            file.Reset();
            DeleteFileA(strNew.c_str());
            return false;
        }
    }
    if (MoveFileExA(strNew.c_str(), strPath.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    DeleteFileA(strNew.c_str());
    return false;
}

bool CJournalFolder::Patch(const std::string& strName, std::size_t nLength, const std::vector<JournalPiece>& pieces) {
    if (m_strFolder.empty()) return false;
    CScopedHandle file(CreateFileA((m_strFolder + strName).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 || static_cast<std::uint64_t>(size.QuadPart) != nLength)
        return false;
    for (const JournalPiece& piece : pieces) {
        if (piece.nOffset + piece.strBytes.size() > nLength) return false;
        // Journals are far shorter than 4 GiB: the offset's low half is the whole of it.
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(piece.nOffset);
        const auto nBytes = static_cast<DWORD>(piece.strBytes.size());
        DWORD nWritten = 0;
        if (!WriteFile(file.Get(), piece.strBytes.data(), nBytes, &nWritten, &at) || nWritten != nBytes) return false;
    }
    return FlushFileBuffers(file.Get()) != FALSE;
}

void CJournalFolder::Remove(const std::string& strName) {
    if (m_strFolder.empty()) return;
    DeleteFileA((m_strFolder + strName).c_str());
    // A version a killed pass left half written holds the same list.
    DeleteFileA((m_strFolder + strName + kNewSuffix).c_str());
}

std::vector<std::string> CJournalFolder::List() {
    std::vector<std::string> names;
    if (m_strFolder.empty()) return names;
    WIN32_FIND_DATAA data;
    CScopedFind find(FindFirstFileA((m_strFolder + kJournalPattern).c_str(), &data));
    if (!find) return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(data.cFileName);
    } while (FindNextFileA(find.Get(), &data));
    return names;
}

std::unique_ptr<CPassClaim> CJournalFolder::Claim(const std::string& strName) {
    if (!MakeFolder()) return nullptr;
    // No sharing: a second open fails, from this process or another, until this handle
    // closes; the system closes it when the process dies.
    CScopedHandle file(CreateFileA((m_strFolder + strName + kClaimSuffix).c_str(), GENERIC_WRITE, 0, nullptr,
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!file) return nullptr;
    return std::make_unique<CLockFileClaim>(std::move(file));
}

std::optional<FileStamp> CJournalFolder::StampOf(const std::string& strPath) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(strPath.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
    return FileStamp{ToUint64(data.nFileSizeHigh, data.nFileSizeLow),
                     ToUint64(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime)};
}

std::int64_t CJournalFolder::Now() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return static_cast<std::int64_t>((ToUint64(now.dwHighDateTime, now.dwLowDateTime) - kUnixEpochInFileTime) /
                                     10'000'000ull);
}
