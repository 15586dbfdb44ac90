#include "imaging/gif_file.h"

#include <windows.h>

#include "framework/scoped_handle.h"

bool ReadGifFile(const std::string& strPath, std::vector<uint8_t>& arrBytes, size_t nMaxBytes) {
    arrBytes.clear();
    CScopedHandle file(CreateFileA(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file)
        return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart <= 0 ||
        static_cast<unsigned long long>(size.QuadPart) > nMaxBytes)
        return false;
    arrBytes.resize(static_cast<size_t>(size.QuadPart));
    // One read may return less than asked (a file still growing, a network share).
    size_t nDone = 0;
    while (nDone < arrBytes.size()) {
        DWORD nRead = 0;
        if (!ReadFile(file.Get(), arrBytes.data() + nDone, static_cast<DWORD>(arrBytes.size() - nDone), &nRead,
                      nullptr) ||
            nRead == 0)
            break;
        nDone += nRead;
    }
    // A file that shrank while read is played as far as it went; the decoder copes with a cut.
    arrBytes.resize(nDone);
    return nDone > 0;
}
