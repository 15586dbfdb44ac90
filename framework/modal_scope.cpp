#include "framework/modal_scope.h"

#include <windows.h>

#include "framework/module.h"

namespace {

constexpr UINT kReleaseMessage = WM_APP + 1;
const char kReleaseClass[] = "TessalineDeferredRelease";

// A message-only window per thread, alive only while releases are pending: the module may
// be unloaded once the last object has gone, and neither a window nor a class of its may
// outlive that.
thread_local HWND t_hWndRelease = nullptr;
thread_local int t_nPending = 0;

LRESULT CALLBACK ReleaseProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kReleaseMessage) return DefWindowProcA(hWnd, message, wParam, lParam);
    reinterpret_cast<IUnknown*>(lParam)->Release();
    if (--t_nPending == 0 && t_hWndRelease == hWnd) {
        t_hWndRelease = nullptr;
        DestroyWindow(hWnd);
        // Fails while another thread's window of the class lives; that thread's last one
        // unregisters it.
        UnregisterClassA(kReleaseClass, CModule::Instance());
    }
    return 0;
}

HWND ReleaseWindow() {
    if (t_hWndRelease) return t_hWndRelease;
    WNDCLASSA wc{};
    if (!GetClassInfoA(CModule::Instance(), kReleaseClass, &wc)) {
        wc.lpfnWndProc = ReleaseProc;
        wc.hInstance = CModule::Instance();
        wc.lpszClassName = kReleaseClass;
        if (!RegisterClassA(&wc)) return nullptr;
    }
    t_hWndRelease =
        CreateWindowExA(0, kReleaseClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, CModule::Instance(), nullptr);
    return t_hWndRelease;
}

}  // namespace

void ReleaseWhenIdle(IUnknown* pUnknown) {
    if (!pUnknown) return;
    HWND hWnd = ReleaseWindow();
    if (hWnd && PostMessageA(hWnd, kReleaseMessage, 0, reinterpret_cast<LPARAM>(pUnknown))) {
        ++t_nPending;
        return;
    }
    pUnknown->Release();
}
