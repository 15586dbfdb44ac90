#include "transport/temp_folder.h"

#include <windows.h>

std::string GetTempFolder() {
    char buffer[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathA(MAX_PATH, buffer);
    // 0 is a failure and leaves the buffer unfilled; more than the buffer is a path too long.
    if (n > 0 && n <= MAX_PATH) return std::string(buffer, n);
    const char* const kFallback = "c:\\temp\\";
    const DWORD attributes = GetFileAttributesA(kFallback);
    if ((attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) ||
        CreateDirectoryA(kFallback, nullptr))
        return kFallback;
    return "c:\\";
}
