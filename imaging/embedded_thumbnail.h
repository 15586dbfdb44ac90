// Whether a JPEG's embedded EXIF thumbnail still shows its picture: an editor that crops
// or turns the pixels often leaves the camera's old thumbnail behind.
#pragma once
#include <cstdint>
#include <optional>
#include <span>

#include "base/geometry.h"

// True when a part of sizePart shows a picture of sizePicture undistorted: the picture
// scaled to the part's width is within a pixel of the part's height, and scaled to its
// height within a pixel of its width. Sizes without area never match.
bool HasAspectWithinAPixel(PixelSize sizePart, PixelSize sizePicture);

// The part of an upright thumbnail (pixels 0x00RRGGBB, or with any spare top byte, rows
// top to bottom, sizeThumb large) that shows an upright picture of sizePicture: the whole
// thumbnail when its aspect matches the picture's within a pixel; else its centre in the
// picture's aspect when everything cut off is dark bars (a camera's 4:3 thumbnail of a
// 16:9 picture) and that centre matches within a pixel. Nothing when the thumbnail shows
// something else, as after a crop or a turn that kept the old one.
std::optional<PixelRect> PictureInThumbnail(std::span<const std::uint32_t> arrPixels, PixelSize sizeThumb,
                                            PixelSize sizePicture);
