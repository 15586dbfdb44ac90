#include "ui/window_back_buffer.h"

#include <algorithm>

HDC CWindowBackBuffer::Cover(HWND hWnd, int cx, int cy) {
    if (!m_back || cx > m_size.cx || cy > m_size.cy) {
        // At least the screen, so that ordinary resizing does not remake it.
        const SIZE size{std::max<LONG>({cx, m_size.cx, GetSystemMetrics(SM_CXSCREEN)}),
                        std::max<LONG>({cy, m_size.cy, GetSystemMetrics(SM_CYSCREEN)})};
        m_size = m_back.Create(CWindowDC(hWnd).Get(), size.cx, size.cy) ? size : SIZE{};
    }
    return m_back.Get();
}

void CWindowBackBuffer::Reset() {
    m_back.Reset();
    m_size = SIZE{};
}
