// Move-only owner of one Win32 handle; a traits class says what "no handle" is and how to close it.
#pragma once
#include <windows.h>

template <class Traits>
class CHandleT {
public:
    using Handle = typename Traits::Handle;

    CHandleT() = default;
    explicit CHandleT(Handle h) : m_h(h) {}
    ~CHandleT() { Reset(); }
    CHandleT(CHandleT&& other) noexcept : m_h(other.Take()) {}
    CHandleT& operator=(CHandleT&& other) noexcept {
        if (this != &other) Reset(other.Take());
        return *this;
    }
    CHandleT(const CHandleT&) = delete;
    CHandleT& operator=(const CHandleT&) = delete;

    Handle Get() const { return m_h; }
    explicit operator bool() const { return Traits::IsValid(m_h); }

    [[nodiscard]] Handle Take() {
        Handle h = m_h;
        m_h = Traits::None();
        return h;
    }
    // Closing keeps the caller's last-error value: a failure path may still want to read it.
    void Reset(Handle h = Traits::None()) {
        if (Traits::IsValid(m_h) && m_h != h) {
            DWORD err = GetLastError();
            Traits::Close(m_h);
            SetLastError(err);
        }
        m_h = h;
    }
    // For APIs that return a handle through an out-parameter.
    Handle* Receive() {
        Reset();
        return &m_h;
    }

private:
    Handle m_h = Traits::None();
};

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle None() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { CloseHandle(h); }
};
// CreateFile and FindFirstFile answer INVALID_HANDLE_VALUE on failure, others null: both are "none".
using CScopedHandle = CHandleT<KernelHandleTraits>;

struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle None() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { FindClose(h); }
};
using CScopedFind = CHandleT<FindHandleTraits>;

struct RegKeyTraits {
    using Handle = HKEY;
    static Handle None() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { RegCloseKey(h); }
};
using CScopedRegKey = CHandleT<RegKeyTraits>;

template <class T>
struct GdiObjectTraits {
    using Handle = T;
    static Handle None() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { DeleteObject(h); }
};
using CScopedBitmap = CHandleT<GdiObjectTraits<HBITMAP>>;
using CScopedBrush = CHandleT<GdiObjectTraits<HBRUSH>>;
using CScopedFont = CHandleT<GdiObjectTraits<HFONT>>;
using CScopedPen = CHandleT<GdiObjectTraits<HPEN>>;

struct MemoryDcTraits {
    using Handle = HDC;
    static Handle None() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { DeleteDC(h); }
};
using CScopedMemoryDC = CHandleT<MemoryDcTraits>;

struct GlobalMemoryTraits {
    using Handle = HGLOBAL;
    static Handle None() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { GlobalFree(h); }
};
using CScopedGlobal = CHandleT<GlobalMemoryTraits>;

struct IconTraits {
    using Handle = HICON;
    static Handle None() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { DestroyIcon(h); }
};
using CScopedIcon = CHandleT<IconTraits>;

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

// Selects a GDI object into a device context for one scope; not an owner of either.
class CScopedSelect {
public:
    CScopedSelect(HDC dc, HGDIOBJ obj) : m_dc(dc), m_old(SelectObject(dc, obj)) {}
    ~CScopedSelect() {
        if (m_old) SelectObject(m_dc, m_old);
    }
    CScopedSelect(const CScopedSelect&) = delete;
    CScopedSelect& operator=(const CScopedSelect&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};
