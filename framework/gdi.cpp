#include "framework/gdi.h"

#include <utility>

CMemoryDC::CMemoryDC(HDC hdcCompatible, HBITMAP hBitmap) : m_hdc(CreateCompatibleDC(hdcCompatible)) {
    if (m_hdc && hBitmap) m_hOld = SelectObject(m_hdc, hBitmap);
}

CMemoryDC::~CMemoryDC() {
    if (!m_hdc) return;
    if (m_hOld) SelectObject(m_hdc, m_hOld);
    DeleteDC(m_hdc);
}

bool CBackBuffer::Create(HDC hdcCompatible, int cx, int cy) {
    Reset();
    if (cx <= 0 || cy <= 0) return false;
    // A memory DC starts with a 1x1 monochrome bitmap: the surface must match the reference.
    HDC hdcRef = hdcCompatible;
    std::optional<CWindowDC> screen;
    if (!hdcRef) hdcRef = screen.emplace(nullptr).Get();
    m_bmp.Reset(CreateCompatibleBitmap(hdcRef, cx, cy));
    if (!m_bmp) return false;
    m_dc.emplace(hdcRef, m_bmp.Get());
    if (*m_dc) return true;
    Reset();
    return false;
}

void CBackBuffer::Reset() {
    m_dc.reset();
    m_bmp.Reset();
}

CScopedBitmap CBackBuffer::TakeBitmap() {
    m_dc.reset();
    return std::move(m_bmp);
}

void FillSolidRect(HDC hdc, const RECT& rc, COLORREF cr) {
    COLORREF crOld = SetBkColor(hdc, cr);
    if (crOld == CLR_INVALID) return;
    ExtTextOutA(hdc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
    SetBkColor(hdc, crOld);
}

CDpiScale ScreenDpiScale() {
    CWindowDC screen(nullptr);
    return CDpiScale(screen.Get() ? GetDeviceCaps(screen.Get(), LOGPIXELSX) : CDpiScale::kBaseDpi);
}
