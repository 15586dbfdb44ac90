// Palette for drawing a frame through a colour-keyed mask, as the GDI way of doing
// transparency needs: only the transparent index may carry the key colour.
#pragma once
#include <array>
#include <cstdint>

#include "imaging/gif_frame.h"

// A copy of the frame's colours (0x00RRGGBB) in which every entry other than the
// transparent index whose red, green and blue each lie strictly within 20 of the key
// colour's is moved 20 away from it, per component: up when it is not below the key's
// (to 255 at most; 255 itself goes to 235), else down (to 0 at least). The margin keeps
// them apart also on a display of fewer colours. Without transparency: the colours as
// they are.
std::array<uint32_t, 256> MakeColourKeyPalette(const CGifFrame& frame);
