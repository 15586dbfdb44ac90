#include "base/temp_file.h"

#include <windows.h>

std::string GetTempFolder() {
    char buffer[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathA(MAX_PATH, buffer);
    // 0 is a failure and leaves the buffer unfilled; more than the buffer is a path too long.
    if (n > 0 && n <= MAX_PATH) return std::string(buffer, n);
    const char* const kFallback = "c:\\temp\\";
    const DWORD attributes = GetFileAttributesA(kFallback);
    if ((attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) ||
        CreateDirectoryA(kFallback, nullptr))
        return kFallback;
    return "c:\\";
}

CTempFile& CTempFile::operator=(CTempFile&& other) noexcept {
    if (this != &other) {
        Delete();
        m_strPath = std::move(other.m_strPath);
        other.m_strPath.clear();
    }
    return *this;
}

CTempFile CTempFile::Create() {
    const std::string strFolder = GetTempFolder();
    // Unique number 0: the system picks the name and creates the empty file, so two
    // threads asking at once cannot get the same one.
    char szPath[MAX_PATH];
    if (!GetTempFileNameA(strFolder.c_str(), kPrefix, 0, szPath)) return CTempFile();
    return CTempFile(szPath);
}

void CTempFile::Delete() {
    if (m_strPath.empty()) return;
    const DWORD dwAttributes = GetFileAttributesA(m_strPath.c_str());
    if (dwAttributes != INVALID_FILE_ATTRIBUTES && !(dwAttributes & FILE_ATTRIBUTE_DIRECTORY))
        DeleteFileA(m_strPath.c_str());
    m_strPath.clear();
}

std::string CTempFile::Release() {
    std::string strPath = std::move(m_strPath);
    m_strPath.clear();
    return strPath;
}
