// ReadPictureDimensions: the pixel size a JPEG, GIF, PNG or BMP file declares in its header.
#pragma once
#include <cstdint>
#include <optional>
#include <span>

#include "base/geometry.h"

// The width and height the file's header claims, read without decoding anything: the
// frame header of a JPEG, the logical screen of a GIF, IHDR of a PNG, the info header of a
// BMP. Nothing when the bytes are of none of these kinds or end before the size.
std::optional<PixelSize> ReadPictureDimensions(std::span<const std::uint8_t> bytes);

// Decoding a picture costs about 4 bytes a pixel in the system's picture object, with the
// decoder's own copy beside it for a while; inside a 32-bit browser process more than this
// many pixels would take the address space the page itself needs.
inline constexpr std::int64_t kMaxDecodedPixels = std::int64_t{1} << 26;  // 8192 × 8192

// True when a picture of this size may be handed to the decoder.
constexpr bool IsDecodableSize(PixelSize size) {
    return static_cast<std::int64_t>(size.cx) * size.cy <= kMaxDecodedPixels;
}
