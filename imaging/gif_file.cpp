#include "imaging/gif_file.h"

#include <windows.h>

#include "framework/file_reader.h"

bool ReadGifFile(const std::string& strPath, std::vector<uint8_t>& arrBytes, size_t nMaxBytes) {
    arrBytes.clear();
    CScopedHandle file = OpenFileForReading(strPath);
    if (!file)
        return false;
    const auto nSize = OpenFileLength(file.Get());
    if (!nSize || *nSize == 0 || *nSize > nMaxBytes)
        return false;
    arrBytes.resize(static_cast<size_t>(*nSize));
    const size_t nDone = ReadFileFully(file.Get(), arrBytes.data(), arrBytes.size());
    // A file that shrank while read is played as far as it went; the decoder copes with a cut.
    arrBytes.resize(nDone);
    return nDone > 0;
}
