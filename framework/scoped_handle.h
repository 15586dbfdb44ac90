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
using CScopedRegion = CHandleT<GdiObjectTraits<HRGN>>;

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
