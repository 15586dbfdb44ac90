// The off-screen surface a window paints through: as large as the window has ever been, so
// that a window wider or taller than the primary screen (a larger second monitor, a changed
// resolution) is painted whole.
#pragma once
#include "framework/gdi.h"

#include <windows.h>

class CWindowBackBuffer {
public:
    // A memory DC covering at least cx by cy pixels, made compatible with hWnd's DC and grown
    // (never shrunk) when the window has grown; null when none can be made.
    HDC Cover(HWND hWnd, int cx, int cy);
    void Reset();

private:
    CBackBuffer m_back;
    SIZE m_size{};
};
