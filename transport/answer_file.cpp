#include "transport/answer_file.h"

#include <windows.h>

#include <atomic>
#include <cstring>

#include "base/temp_file.h"
#include "transport/random_string.h"

bool CAnswerFile::Open(const std::string& path) {
    if (IsOpen() && path == m_strPath) return Truncate();
    Close();
    m_hFile.Reset(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (IsOpen()) m_strPath = path;
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
    return nSize != 0 && IsOpen() && WriteFile(m_hFile.Get(), pData, nSize, &dwWritten, nullptr) && dwWritten == nSize;
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
    m_strPath.clear();
}

namespace {

constexpr size_t kAnswerNameLength = 8;

// The runtime-style generator is seeded again from the clock's seconds at every string, so
// two uploads started within one second, in two browser windows or two engines, would get
// one answer file, and the later could not open it. The seed is salted with the process and
// a count of the names made in it.
class CSaltedRandom : public CRandomSource {
public:
    explicit CSaltedRandom(uint32_t nSalt) : m_nSalt(nSalt) {}
    uint32_t TimeSeconds() override { return m_clock.TimeSeconds() ^ m_nSalt; }
    void Seed(uint32_t nSeed) override { m_clock.Seed(nSeed); }
    uint32_t Rand() override { return m_clock.Rand(); }

private:
    CCrtRandom m_clock;
    uint32_t m_nSalt;
};

std::atomic<uint32_t> s_nNamesMade{0};

}  // namespace

std::string MakeAnswerPath() {
    const std::string folder = GetTempFolder();
    std::string path;
    for (int nTry = 0; nTry < 16; ++nTry) {
        const uint32_t nSalt = GetCurrentProcessId() * 2654435761u + s_nNamesMade.fetch_add(1) * 40503u;
        CSaltedRandom random(nSalt);
        path = folder + MakeRandomString(kAnswerNameLength, random);
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) break;
    }
    return path;
}
