#include "transport/answer_file.h"

#include <cstring>

bool CAnswerFile::Open(const std::string& path) {
    Close();
    m_hFile.Reset(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    return IsOpen();
}

bool CAnswerFile::Truncate() {
    m_nFill = 0;
    if (!IsOpen()) return false;
    return SetFilePointer(m_hFile.Get(), 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
           SetEndOfFile(m_hFile.Get());
}

bool CAnswerFile::WriteThrough(const char* pData, uint32_t nSize) {
    DWORD dwWritten = 0;
    return nSize != 0 && IsOpen() && WriteFile(m_hFile.Get(), pData, nSize, &dwWritten, nullptr) &&
           dwWritten == nSize;
}

bool CAnswerFile::Write(const char* pData, uint32_t nSize) {
    if (m_bUseCache && !m_pCache) {
        m_pCache = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, kCacheSize));
        if (!m_pCache) m_bUseCache = false;
    }
    if (!m_pCache) return WriteThrough(pData, nSize);
    if (nSize > kCacheSize) return Flush() && WriteThrough(pData, nSize);
    if (m_nFill + nSize > kCacheSize && !Flush()) return false;
    std::memcpy(m_pCache + m_nFill, pData, nSize);
    m_nFill += nSize;
    return true;
}

bool CAnswerFile::Flush() {
    if (!m_pCache || m_nFill == 0) return true;
    const uint32_t nFill = m_nFill;
    m_nFill = 0;
    return WriteThrough(m_pCache, nFill);
}

void CAnswerFile::FreeCache() {
    if (m_pCache) HeapFree(GetProcessHeap(), 0, m_pCache);
    m_pCache = nullptr;
    m_nFill = 0;
}

void CAnswerFile::Close() {
    if (m_pCache) {
        Flush();
        FreeCache();
    }
    m_hFile.Reset();
}
