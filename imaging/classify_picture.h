// ClassifyPictureFile: the PictureType of a file name from its last four characters.
#pragma once
#include <string_view>

#include "base/mbcs_text.h"
#include "imaging/picture_type.h"

// A substring search in the last four characters (the whole name when shorter), without
// regard to case: "bmp" gives Bitmap, else "gif" Gif, else "jpg" or "jpeg" Jpeg, else None
// (not a picture). So photo.jpeg and A.JPG are Jpeg and a bare "xgif" is Gif. Characters,
// not bytes: a double-byte character counts once and never matches a letter.
PictureType ClassifyPictureFile(std::string_view strName, LeadByteTest pfnIsLead);
