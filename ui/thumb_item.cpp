#include "ui/thumb_item.h"

#include <windows.h>

void ThumbItem::ForgetUpload() {
    if (!strUploadPath.empty() && strUploadPath != strPath) {
        DWORD attributes = GetFileAttributesA(strUploadPath.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            DeleteFileA(strUploadPath.c_str());
    }
    strUploadPath.clear();
    nUploadSize = 0;
    bKeptAsIs = false;
}
