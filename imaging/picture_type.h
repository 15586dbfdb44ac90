// The kind of a picture file as told by its name (ThumbItem.nType); values are stored and
// compared as they are.
#pragma once

enum class PictureType : int { None = 0, Bitmap = 1, Gif = 2, Jpeg = 3 };
