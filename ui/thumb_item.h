// One picture of the current folder: its file and what will be uploaded for it. Created and
// destroyed only by the panel.
#pragma once
#include "imaging/picture_file.h"

#include <cstdint>
#include <string>

struct ThumbItem {
    ThumbItem(PictureType type, std::string path) : nType(type), strPath(std::move(path)) {}
    ~ThumbItem() { ForgetUpload(); }
    ThumbItem(const ThumbItem&) = delete;
    ThumbItem& operator=(const ThumbItem&) = delete;

    // Back to unprepared: the upload copy is deleted when it is a file of our own (never the
    // picture itself) and the fields that described it are cleared.
    void ForgetUpload();

    // Kept small: a folder may list tens of thousands of pictures. The thumbnails and the
    // places of the cells are the grid's.
    PictureType nType;
    std::string strPath;            // the picture file
    std::string strUploadPath;      // empty until prepared: strPath or a temporary JPEG
    std::uint32_t nFileSize = 0;    // bytes, from the folder listing
    std::uint32_t nUploadSize = 0;  // bytes of strUploadPath; 0 = not prepared
    bool bSelected = false;
    bool bKeptAsIs = false;
};
