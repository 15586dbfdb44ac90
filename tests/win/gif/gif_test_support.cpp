#include "gif_test_support.h"

#include <tlhelp32.h>

#include "framework/gdi.h"
#include "tests/win/test_support.h"

std::string UploadGifPath() { return WindowsPathOf(TESSALINE_SOURCE_DIR "/res/Upload.gif"); }

std::vector<uint32_t> GrabClient(HWND hWnd, int& nWidth, int& nHeight) {
    RECT rc{};
    GetClientRect(hWnd, &rc);
    nWidth = rc.right;
    nHeight = rc.bottom;
    std::vector<uint32_t> pixels(static_cast<size_t>(nWidth) * nHeight);
    if (pixels.empty()) return pixels;
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = nWidth;
    bmi.bmiHeader.biHeight = -nHeight;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC hdc = GetDC(hWnd);
    CScopedBitmap dib(CreateDIBSection(hdc, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
    {
        CMemoryDC mem(hdc, dib.Get());
        BitBlt(mem.Get(), 0, 0, nWidth, nHeight, hdc, 0, 0, SRCCOPY);
        GdiFlush();
        const uint32_t* p = static_cast<const uint32_t*>(bits);
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = p[i] & 0xFFFFFF;
    }
    ReleaseDC(hWnd, hdc);
    return pixels;
}

int CountThreads() {
    CScopedHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snap) return -1;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int n = 0;
    for (BOOL ok = Thread32First(snap.Get(), &entry); ok; ok = Thread32Next(snap.Get(), &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++n;
    return n;
}

int CountHandles() {
    DWORD n = 0;
    return GetProcessHandleCount(GetCurrentProcess(), &n) ? static_cast<int>(n) : -1;
}
