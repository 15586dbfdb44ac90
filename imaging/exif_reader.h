// ExifBlock: what a camera's EXIF block says about its JPEG (orientation, declared size,
// date taken, the embedded thumbnail), read with every offset checked, and the copy of the
// block that goes with a re-encoded picture.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/geometry.h"

struct ExifBlock {
    // The TIFF structure after "Exif\0\0": a view into the bytes given to ReadExif.
    std::span<const std::uint8_t> tiff;
    bool bBigEndian = false;
    // 1 to 8 as the tag says; 1 when it is missing or out of range (0, 9 and above).
    int nOrientation = 1;
    // PixelXDimension and PixelYDimension, when both are there.
    std::optional<PixelSize> sizeDeclared;
    // DateTimeOriginal, "YYYY:MM:DD HH:MM:SS"; empty when missing.
    std::string strDateTaken;
    // The embedded thumbnail (IFD1), a view into tiff; empty when there is none or it
    // does not lie wholly inside the block or does not start as a JPEG.
    std::span<const std::uint8_t> thumbnail;
};

// Finds the first APP1 "Exif\0\0" segment among the JPEG's header segments and reads it.
// Nothing when the bytes are not a JPEG, carry no EXIF block, or end inside it (a head
// read too short), or when its TIFF header is broken.
std::optional<ExifBlock> ReadExif(std::span<const std::uint8_t> jpeg);

// The same over a bare TIFF structure (what follows "Exif\0\0").
std::optional<ExifBlock> ReadExifTiff(std::span<const std::uint8_t> tiff);

// The APP1 payload ("Exif\0\0" and the TIFF structure, in the block's byte order) for a
// copy of the picture that is upright and sizeNew large, written afresh: the camera (make
// and model), the dates and the exposure of the original, orientation 1 and the pixel
// size sizeNew; nothing else. No GPS block, no maker notes, no serial number, no
// thumbnail leaves with a copy. Empty when the block has no TIFF header.
std::vector<std::uint8_t> RewriteExifForCopy(const ExifBlock& exif, PixelSize sizeNew);

// The picture's size once turned upright: orientations 5 to 8 swap the sides.
PixelSize UprightSize(PixelSize sizeStored, int nOrientation);

// Where the stored pixel (x, y) of a sizeStored picture lands in its upright form.
PixelPoint UprightPoint(PixelPoint ptStored, PixelSize sizeStored, int nOrientation);
