// PreparePicture: which file goes to the server for a picture, made when it is selected:
// the picture's own file, or a JPEG copy scaled down to the album's limits.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include "imaging/picture_file.h"
#include "base/temp_file.h"

struct CPreparedUpload {
    // PrepareItem's result: true when a JPEG copy was written.
    bool bWritten = false;
    // The picture's own file goes unchanged (a GIF, or a JPEG below both limits).
    bool bKeptAsIs = false;
    // The file to upload: the picture's path, the copy's path, or empty when the picture
    // could not be loaded (it then stays unprepared and is tried again next time).
    std::string strUploadPath;
    // Bytes of strUploadPath; 0 means not prepared (also for a copy the writer left empty).
    std::uint32_t nUploadSize = 0;
    // Owns the copy: the file is deleted when this goes, so keep it with the picture's
    // record. Empty unless bWritten.
    CTempFile fileCopy;
};

// Loads the picture upright and decides: a GIF, or a JPEG strictly smaller than both
// nLimitX and nLimitY, is kept as it is; any other JPEG is scaled down by FitWithinLimits
// and written at quality 90 to a new temporary file ("DORivav" prefix), with an EXIF block
// of the picture's camera, dates and exposure only (RewriteExifForCopy: orientation 1, the
// new size). A JPEG is read once and decoded once, at the smallest DCT scale that still
// covers the copy's size, then averaged down to it (CAreaScaler): no device context is
// touched, so any thread may prepare. The name decides the rule, not the bytes: a GIF under
// a JPEG's name is read by the system's decoder and kept or copied by its size as a JPEG
// would be, its copy drawn on white by a surface of the thread's own. Once *pbGoOn (if
// given) turns false the work is given up, as for a picture that cannot be loaded, and no
// copy is left behind.
CPreparedUpload PreparePicture(const std::string& strPath, PictureType nType, int nLimitX, int nLimitY,
                               const std::atomic<bool>* pbGoOn = nullptr);
