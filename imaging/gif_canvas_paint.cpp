#include "imaging/gif_canvas_paint.h"

bool PaintGifCanvas(HDC hdc, const RECT& rcTarget, const CGifCanvas& canvas) {
    const int nWidth = rcTarget.right - rcTarget.left;
    const int nHeight = rcTarget.bottom - rcTarget.top;
    if (!hdc || nWidth <= 0 || nHeight <= 0 || canvas.Width() <= 0 || canvas.Height() <= 0)
        return false;
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = canvas.Width();
    bmi.bmiHeader.biHeight = -canvas.Height();  // rows top to bottom, as the canvas keeps them
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    // Nearest pixel: an animation's hard edges and flat colours stay as drawn.
    const int nOldMode = SetStretchBltMode(hdc, COLORONCOLOR);
    const int nLines = StretchDIBits(hdc, rcTarget.left, rcTarget.top, nWidth, nHeight, 0, 0, canvas.Width(),
                                     canvas.Height(), canvas.Pixels().data(), &bmi, DIB_RGB_COLORS, SRCCOPY);
    if (nOldMode)
        SetStretchBltMode(hdc, nOldMode);
    return nLines > 0;
}
