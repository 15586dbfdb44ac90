#include "framework/file_reader.h"

CScopedHandle OpenFileForReading(const std::string& strPath) {
    return CScopedHandle(CreateFileA(strPath.c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

std::optional<std::uint64_t> OpenFileLength(HANDLE hFile) {
    LARGE_INTEGER nSize{};
    if (!GetFileSizeEx(hFile, &nSize) || nSize.QuadPart < 0) return std::nullopt;
    return static_cast<std::uint64_t>(nSize.QuadPart);
}

std::optional<std::uint64_t> FileLengthOf(const std::string& strPath) {
    CScopedHandle file = OpenFileForReading(strPath);
    if (!file) return std::nullopt;
    return OpenFileLength(file.Get());
}

std::size_t ReadFileFully(HANDLE hFile, void* pBuffer, std::size_t nBytes) {
    auto* p = static_cast<std::uint8_t*>(pBuffer);
    std::size_t nDone = 0;
    while (nDone < nBytes) {
        const std::size_t nAsk = nBytes - nDone;
        DWORD nRead = 0;
        if (!ReadFile(hFile, p + nDone, nAsk > 0x40000000 ? 0x40000000 : static_cast<DWORD>(nAsk), &nRead, nullptr) ||
            nRead == 0)
            break;
        nDone += nRead;
    }
    return nDone;
}
