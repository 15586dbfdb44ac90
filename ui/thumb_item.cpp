#include "ui/thumb_item.h"

#include <windows.h>

ThumbItem::~ThumbItem() {
    if (strUploadPath.empty() || strUploadPath == strPath) return;
    DWORD attributes = GetFileAttributesA(strUploadPath.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        DeleteFileA(strUploadPath.c_str());
}
