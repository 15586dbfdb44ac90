#include "hosted_control.h"

#include "tessaline_h.h"
#include "test_support.h"

namespace {

// AtlAxAttachControl of Wine's atl.dll, its container's window class registered once per
// process; null when the DLL cannot be had.
CHostedControl::AttachFn LoadAtlContainer() {
    static bool s_bInitialised = false;
    HMODULE atl = LoadLibraryA("atl.dll");
    if (!atl) return nullptr;
    const auto pfnWinInit = ProcAddress<BOOL(WINAPI*)()>(atl, "AtlAxWinInit");
    if (pfnWinInit && !s_bInitialised) s_bInitialised = pfnWinInit() != FALSE;
    return s_bInitialised ? ProcAddress<CHostedControl::AttachFn>(atl, "AtlAxAttachControl") : nullptr;
}

}  // namespace

bool CHostedControl::Create(HWND hParent, const RECT& rcSite) {
    m_pfnAttach = LoadAtlContainer();
    if (!m_pfnAttach) return false;
    m_disp = CreateFromFactory<IDispatch>(CLSID_TessalineCtrl, IID_IDispatch);
    if (!m_disp) return false;
    m_hSite =
        CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, rcSite.left, rcSite.top, rcSite.right - rcSite.left,
                        rcSite.bottom - rcSite.top, hParent, nullptr, GetModuleHandleA(nullptr), nullptr);
    return m_hSite != nullptr;
}

bool CHostedControl::Attach() {
    if (!m_hSite || FAILED(m_pfnAttach(m_disp.Get(), m_hSite, m_container.Receive()))) return false;
    return PumpUntil([&] { return Panel().m_hWnd != nullptr; }, 5000);
}

void CHostedControl::Close() {
    if (m_hSite) DestroyWindow(m_hSite);
    m_hSite = nullptr;
    if (!m_container) return;
    m_container.Release();
    PumpFor(50);
}
