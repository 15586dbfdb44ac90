#include "imaging/temp_file.h"

#include <windows.h>

CTempFile& CTempFile::operator=(CTempFile&& other) noexcept {
    if (this != &other) {
        Delete();
        m_strPath = std::move(other.m_strPath);
        other.m_strPath.clear();
    }
    return *this;
}

CTempFile CTempFile::Create() {
    char szFolder[MAX_PATH];
    const DWORD nLength = GetTempPathA(MAX_PATH, szFolder);
    if (nLength == 0 || nLength >= MAX_PATH)
        return CTempFile();
    // Unique number 0: the system picks the name and creates the empty file, so two
    // threads asking at once cannot get the same one.
    char szPath[MAX_PATH];
    if (!GetTempFileNameA(szFolder, kPrefix, 0, szPath))
        return CTempFile();
    return CTempFile(szPath);
}

void CTempFile::Delete() {
    if (m_strPath.empty())
        return;
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
