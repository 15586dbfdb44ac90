#include "incoming_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <string>

CIncomingFile::CIncomingFile(const std::filesystem::path& dir) {
    std::string pattern = (dir / "upload-XXXXXX").string();
    m_fd = mkstemp(pattern.data());
    if (m_fd >= 0) {
        m_path = pattern;
        m_bOwned = true;
    }
}

CIncomingFile::~CIncomingFile() {
    if (m_fd >= 0) close(m_fd);
    if (m_bOwned) unlink(m_path.c_str());
}

bool CIncomingFile::Write(const char* pData, size_t nSize) {
    while (nSize > 0) {
        const ssize_t n = write(m_fd, pData, nSize);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        pData += n;
        nSize -= static_cast<size_t>(n);
    }
    return true;
}

bool CIncomingFile::Close() {
    if (m_fd < 0) return false;
    const bool bOk = fsync(m_fd) == 0;
    const bool bClosed = close(m_fd) == 0;
    m_fd = -1;
    return bOk && bClosed;
}

bool CIncomingFile::MoveTo(const std::filesystem::path& target) {
    // renameat2 with RENAME_NOREPLACE would do this in one call; a hard link and an unlink
    // give the same "never replace" guarantee on any Linux file system that matters here.
    if (link(m_path.c_str(), target.c_str()) != 0) return false;
    unlink(m_path.c_str());
    m_bOwned = false;
    return true;
}
