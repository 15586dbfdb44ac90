#include "transport/file_body_reader.h"

bool CFileBodyReader::Read(char* pBuffer, uint32_t nCapacity, uint32_t& nRead) {
    DWORD dwRead = 0;
    if (!ReadFile(m_hFile, pBuffer, nCapacity, &dwRead, nullptr)) return false;
    nRead = dwRead;
    return true;
}
