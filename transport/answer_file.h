// The file the server's answer body is stored in: its name, a new one in the temporary folder,
// and the writer, which goes through a large cache so that the disk sees few writes.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>

#include "framework/scoped_handle.h"

class CAnswerFile {
public:
    static constexpr uint32_t kCacheSize = 524288;

    CAnswerFile() = default;
    ~CAnswerFile() { Close(); }
    CAnswerFile(const CAnswerFile&) = delete;
    CAnswerFile& operator=(const CAnswerFile&) = delete;

    // Opens the file for writing, empty (made when there is none), others may read it. The
    // file already open there is only emptied: under Wine making a file costs as much as
    // posting a small picture. Another open file is closed first.
    bool Open(const std::string& path);
    bool IsOpen() const { return static_cast<bool>(m_hFile); }
    // Back to length 0, for a new answer.
    bool Truncate();
    bool Write(const char* pData, uint32_t nSize);
    // Writes what the cache holds; the cache is empty afterwards whatever the outcome.
    bool Flush();
    // Flushes, gives the cache back and closes the file: the cache is kept until then.
    void Close();

private:
    bool WriteThrough(const char* pData, uint32_t nSize);
    void FreeCache();

    CScopedHandle m_hFile;
    std::string m_strPath;
    // From the process heap; without it (the heap said no) writes go straight to the file.
    char* m_pCache = nullptr;
    bool m_bUseCache = true;
    uint32_t m_nFill = 0;
};

// The temporary folder followed by 8 random letters and digits, of no file that exists yet.
std::string MakeAnswerPath();
