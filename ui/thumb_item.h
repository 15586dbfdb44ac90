// One picture of the current folder: what will be uploaded for it. Its file's name sits at
// the same index in the panel's CPictureNames. Created and destroyed only by the panel.
#pragma once
#include "base/temp_file.h"
#include "imaging/picture_file.h"

#include <cstdint>

struct ThumbItem {
    explicit ThumbItem(PictureType type) : nType(type) {}

    // Back to unprepared: the upload copy is deleted (a file of our own, never the picture)
    // and the fields that described it are cleared.
    void ForgetUpload() {
        uploadCopy.Delete();
        nUploadSize = 0;
        bKeptAsIs = false;
    }

    // Kept small, without the picture's path: a folder may list tens of thousands of
    // pictures. The thumbnails and the places of the cells are the grid's.
    PictureType nType;
    CTempFile uploadCopy;           // the scaled copy, once one was written for the upload
    std::uint32_t nFileSize = 0;    // bytes, from the folder listing
    std::uint32_t nUploadSize = 0;  // bytes of what goes up; 0 = not prepared
    bool bSelected = false;
    bool bKeptAsIs = false;   // the picture's own file goes up
    bool bPreparing = false;  // queued with the panel's preparation workers
};
