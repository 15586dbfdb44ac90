// The file part of an upload body, read from an open file handle.
#pragma once
#include <windows.h>

#include "transport/body_reader.h"

class CFileBodyReader : public CBodyReader {
public:
    explicit CFileBodyReader(HANDLE hFile) : m_hFile(hFile) {}
    bool Read(char* pBuffer, uint32_t nCapacity, uint32_t& nRead) override {
        DWORD dwRead = 0;
        if (!ReadFile(m_hFile, pBuffer, nCapacity, &dwRead, nullptr)) return false;
        nRead = dwRead;
        return true;
    }

private:
    HANDLE m_hFile;  // not owned
};
