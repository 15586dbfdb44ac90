// A file being received under a temporary name; removed unless it was moved to its final name.
#pragma once
#include <filesystem>

class CIncomingFile {
public:
    // Creates a new, empty file in `dir`; Ok() tells whether that worked.
    explicit CIncomingFile(const std::filesystem::path& dir);
    ~CIncomingFile();
    CIncomingFile(const CIncomingFile&) = delete;
    CIncomingFile& operator=(const CIncomingFile&) = delete;

    bool Ok() const { return m_fd >= 0; }
    bool Write(const char* pData, size_t nSize);
    // Flushes and closes; the data is on disk before the file gets its final name.
    bool Close();
    // Renames to `target` if no file of that name exists (no replacement, atomically).
    bool MoveTo(const std::filesystem::path& target);
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
    int m_fd = -1;
    bool m_bOwned = false;
};
