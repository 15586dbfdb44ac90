// The colours of a transparent frame as the decoder hands them on: no opaque colour may
// stand close to the transparent one, so that anything that tells them apart by colour
// (a frame copied out as a bitmap, a display of fewer colours) never loses an opaque pixel.
#pragma once
#include <array>
#include <cstdint>

#include "imaging/gif_frame.h"

// A copy of the frame's colours (0x00RRGGBB) in which every entry other than the
// transparent index whose red, green and blue each lie strictly within 20 of the key
// colour's is moved 20 away from it: red and green each up when not below the key's (to
// 255 at most; 255 itself goes to 235), else down (to 0 at least); blue goes the way green
// went, so that a grey near the key stays a grey. Without transparency: the colours as
// they are.
std::array<uint32_t, 256> MakeColourKeyPalette(const CGifFrame& frame);
