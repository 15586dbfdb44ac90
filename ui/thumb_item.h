// One picture of the current folder: its file, its thumbnail, what will be uploaded for it,
// and where the grid shows it. Created and destroyed only by the panel.
#pragma once
#include "framework/com_ptr.h"
#include "imaging/classify_picture.h"

#include <ocidl.h>
#include <olectl.h>

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

    CComPtrT<IPicture> pThumb;   // null while no thumbnail exists
    SIZE sizeThumb{};            // pThumb's pixel size, as the producer fitted it to the box
    PictureType nType;
    std::string strPath;         // the picture file
    std::string strUploadPath;   // empty until prepared: strPath or a temporary JPEG
    std::string strCaption;      // file-name part of strPath, filled by the grid
    std::uint32_t nFileSize = 0;    // bytes, filled by the thumbnail producer
    std::uint32_t nUploadSize = 0;  // bytes of strUploadPath; 0 = not prepared
    bool bSelected = false;
    bool bKeptAsIs = false;
    RECT rcCell{};
    RECT rcPicture{};
    RECT rcCaption{};
    bool bVisible = true;
};
