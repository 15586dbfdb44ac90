// PictureType, the kind of a picture file as told by its name, and ClassifyPictureFile, which
// tells it from the name's last four characters.
#pragma once
#include <string_view>

#include "base/mbcs_text.h"

// Values are stored and compared as they are (ThumbItem.nType).
enum class PictureType : int { None = 0, Bitmap = 1, Gif = 2, Jpeg = 3 };

// A substring search in the last four characters (the whole name when shorter), without
// regard to case: "bmp" gives Bitmap, else "gif" Gif, else "jpg" or "jpeg" Jpeg, else None
// (not a picture). So photo.jpeg and A.JPG are Jpeg and a bare "xgif" is Gif. Characters,
// not bytes: a double-byte character counts once and never matches a letter.
PictureType ClassifyPictureFile(std::string_view strName, LeadByteTest pfnIsLead);
