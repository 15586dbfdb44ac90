// Device-context holders: each one undoes what it began or selected before its context goes,
// so no paint is left open and no GDI object is deleted while a context still holds it (a
// bitmap deleted while selected is not deleted at all on Windows: it leaks).
#pragma once
#include "base/dpi_scale.h"
#include "framework/scoped_handle.h"

#include <optional>

// A window's device context (the screen's for a null window) for one scope.
class CWindowDC {
public:
    explicit CWindowDC(HWND hWnd) : m_hWnd(hWnd), m_hdc(GetDC(hWnd)) {}
    ~CWindowDC() {
        if (m_hdc) ReleaseDC(m_hWnd, m_hdc);
    }
    CWindowDC(const CWindowDC&) = delete;
    CWindowDC& operator=(const CWindowDC&) = delete;
    HDC Get() const { return m_hdc; }

private:
    HWND m_hWnd;
    HDC m_hdc;
};

// One WM_PAINT: the paint begins here and ends with the scope.
class CPaintDC {
public:
    explicit CPaintDC(HWND hWnd) : m_hWnd(hWnd), m_hdc(BeginPaint(hWnd, &m_ps)) {}
    ~CPaintDC() { EndPaint(m_hWnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    HDC Get() const { return m_hdc; }

private:
    HWND m_hWnd;
    PAINTSTRUCT m_ps{};
    HDC m_hdc;
};

// Selects a GDI object into a device context for one scope; not an owner of either.
class CScopedSelect {
public:
    CScopedSelect(HDC dc, HGDIOBJ obj) : m_dc(dc), m_old(obj ? SelectObject(dc, obj) : nullptr) {}
    ~CScopedSelect() {
        if (m_old) SelectObject(m_dc, m_old);
    }
    CScopedSelect(const CScopedSelect&) = delete;
    CScopedSelect& operator=(const CScopedSelect&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// A memory DC compatible with another (the screen for null) that shows one bitmap it does not
// own. The DC's own bitmap goes back in before the DC is deleted, so afterwards the bitmap can
// be kept, deleted or selected into another DC.
class CMemoryDC {
public:
    CMemoryDC(HDC hdcCompatible, HBITMAP hBitmap);
    ~CMemoryDC();
    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;
    HDC Get() const { return m_hdc; }
    // False when the DC could not be made or did not take the bitmap.
    explicit operator bool() const { return m_hdc && m_hOld; }

private:
    HDC m_hdc;
    HGDIOBJ m_hOld = nullptr;
};

// An off-screen surface: a bitmap of a given size compatible with a DC, shown by a memory DC.
class CBackBuffer {
public:
    CBackBuffer() = default;
    CBackBuffer(HDC hdcCompatible, int cx, int cy) { Create(hdcCompatible, cx, cy); }
    ~CBackBuffer() { Reset(); }
    CBackBuffer(const CBackBuffer&) = delete;
    CBackBuffer& operator=(const CBackBuffer&) = delete;

    bool Create(HDC hdcCompatible, int cx, int cy);
    // The DC lets go of the bitmap first; then both are deleted.
    void Reset();
    HDC Get() const { return m_dc ? m_dc->Get() : nullptr; }
    explicit operator bool() const { return m_dc && *m_dc; }
    // The drawn bitmap, no longer selected anywhere; the buffer is empty afterwards.
    [[nodiscard]] CScopedBitmap TakeBitmap();

private:
    CScopedBitmap m_bmp;
    std::optional<CMemoryDC> m_dc;
};

// Fills a rectangle with a colour without creating a brush; the DC's text background stays.
void FillSolidRect(HDC hdc, const RECT& rc, COLORREF cr);

// The dpi the control draws at: the screen's, as the host's process sees it. The control
// lives in the host's process and leaves that process's dpi awareness as the host set it.
CDpiScale ScreenDpiScale();
