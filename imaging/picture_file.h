// What a picture file is, told without decoding it: its kind from its name
// (ClassifyPictureFile) and the pixel size its header declares (ReadPictureDimensions).
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "base/geometry.h"
#include "base/mbcs_text.h"

// Values are stored and compared as they are (ThumbItem.nType).
enum class PictureType : int { None = 0, Bitmap = 1, Gif = 2, Jpeg = 3 };

// A substring search in the last four characters (the whole name when shorter), without
// regard to case: "bmp" gives Bitmap, else "gif" Gif, else "jpg" or "jpeg" Jpeg, else None
// (not a picture). So photo.jpeg and A.JPG are Jpeg and a bare "xgif" is Gif. Characters,
// not bytes: a double-byte character counts once and never matches a letter.
PictureType ClassifyPictureFile(std::string_view strName, LeadByteTest pfnIsLead);

// What the first bytes say the file is, whatever its name: Jpeg for FF D8 FF, Gif for
// "GIF8", None for anything else (a metafile, an icon, a PNG or BMP under a picture's
// name), which is shown as a damaged picture and never handed to the system's decoder.
PictureType SniffPictureType(std::span<const std::uint8_t> bytes);

// The width and height the file's header claims, read without decoding anything: the
// frame header of a JPEG, the logical screen of a GIF, IHDR of a PNG, the info header of a
// BMP. Nothing when the bytes are of none of these kinds or end before the size.
std::optional<PixelSize> ReadPictureDimensions(std::span<const std::uint8_t> bytes);

// Decoding a picture costs about 4 bytes a pixel in the system's picture object, with the
// decoder's own copy beside it for a while; inside a 32-bit browser process more than this
// many pixels would take the address space the page itself needs.
inline constexpr std::int64_t kMaxDecodedPixels = std::int64_t{1} << 26;  // 8192 × 8192

// A picture file is read whole to be decoded; one larger than this (a 64-megapixel camera
// picture at the finest quality is about 40 MB) is shown as a damaged picture unread.
inline constexpr std::uint64_t kMaxPictureFileBytes = std::uint64_t{64} << 20;

// True when a picture of this size may be handed to the decoder.
constexpr bool IsDecodableSize(PixelSize size) {
    return static_cast<std::int64_t>(size.cx) * size.cy <= kMaxDecodedPixels;
}
