// Area scaling: a picture shrunk by averaging every source pixel over the part of it that
// each destination pixel covers, the filter a copy for upload is made with.
#pragma once
#include <cstdint>
#include <span>

#include "base/geometry.h"

// Scales the 32-bit pixels of src (blue, green, red, spare; rows top-down, sizeSrc) to
// sizeDst into dst, which holds sizeDst.cx × sizeDst.cy pixels. Each destination pixel is
// the mean of the source area it covers, partly covered source pixels weighted by the part
// covered; the spare byte comes out 255. Meant for shrinking: a side that grows repeats
// its pixels. Nothing is written when either size has no area or a span is too short.
void AreaScale(std::span<const std::uint32_t> src, PixelSize sizeSrc, std::span<std::uint32_t> dst, PixelSize sizeDst);
