// Draws a GIF canvas (0x00RRGGBB pixels, the layout of a top-down 32-bit DIB) into a
// rectangle of a device context, stretched when the sizes differ.
#pragma once
#include <windows.h>

#include "imaging/gif_canvas.h"

// False when there is nothing to draw or GDI refused.
bool PaintGifCanvas(HDC hdc, const RECT& rcTarget, const CGifCanvas& canvas);
