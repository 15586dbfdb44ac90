// The in-place and view interfaces of COleControl.
#include "framework/ole_control.h"

STDMETHODIMP COleControl::GetWindow(HWND* phwnd) {
    if (!phwnd) return E_POINTER;
    *phwnd = m_hWnd;
    return m_hWnd ? S_OK : E_FAIL;
}

STDMETHODIMP COleControl::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

STDMETHODIMP COleControl::InPlaceDeactivate() {
    if (!m_pInPlaceSite) return S_OK;
    UIDeactivate();
    if (m_hWnd) DestroyWindow();
    CComPtrT<IOleInPlaceSite> site = std::move(m_pInPlaceSite);
    m_pInPlaceFrame.Release();
    m_pInPlaceDoc.Release();
    site->OnInPlaceDeactivate();
    return S_OK;
}

STDMETHODIMP COleControl::UIDeactivate() {
    if (!m_bUIActive) return S_OK;
    m_bUIActive = false;
    if (m_pInPlaceFrame) m_pInPlaceFrame->SetActiveObject(nullptr, nullptr);
    if (m_pInPlaceDoc) m_pInPlaceDoc->SetActiveObject(nullptr, nullptr);
    if (m_pInPlaceSite) m_pInPlaceSite->OnUIDeactivate(FALSE);
    return S_OK;
}

STDMETHODIMP COleControl::SetObjectRects(LPCRECT lprcPosRect, LPCRECT) {
    if (!lprcPosRect) return E_POINTER;
    if (m_hWnd) {
        LONG width = lprcPosRect->right - lprcPosRect->left;
        LONG height = lprcPosRect->bottom - lprcPosRect->top;
        MoveWindow(lprcPosRect->left, lprcPosRect->top, width > 0 ? width : 0, height > 0 ? height : 0);
    }
    return S_OK;
}

STDMETHODIMP COleControl::ReactivateAndUndo() { return E_NOTIMPL; }

STDMETHODIMP COleControl::TranslateAccelerator(LPMSG) { return S_FALSE; }
STDMETHODIMP COleControl::OnFrameWindowActivate(BOOL) { return S_OK; }
STDMETHODIMP COleControl::OnDocWindowActivate(BOOL) { return S_OK; }
STDMETHODIMP COleControl::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }
STDMETHODIMP COleControl::EnableModeless(BOOL) { return S_OK; }

STDMETHODIMP COleControl::GetControlInfo(CONTROLINFO* pCI) {
    if (!pCI) return E_POINTER;
    if (pCI->cb < sizeof(CONTROLINFO)) return E_INVALIDARG;
    pCI->hAccel = nullptr;
    pCI->cAccel = 0;
    pCI->dwFlags = 0;
    return S_OK;
}

STDMETHODIMP COleControl::OnMnemonic(MSG*) { return E_NOTIMPL; }
STDMETHODIMP COleControl::OnAmbientPropertyChange(DISPID) { return S_OK; }

STDMETHODIMP COleControl::FreezeEvents(BOOL bFreeze) {
    if (bFreeze)
        ++m_nFreezeEvents;
    else if (m_nFreezeEvents > 0)
        --m_nFreezeEvents;
    return S_OK;
}

void COleControl::OnDraw(HDC, const RECT&) {}

STDMETHODIMP COleControl::Draw(DWORD dwDrawAspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC hdcDraw, LPCRECTL lprcBounds,
                               LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
    if (dwDrawAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!hdcDraw) return E_INVALIDARG;
    RECT bounds{};
    if (lprcBounds)
        bounds = RECT{lprcBounds->left, lprcBounds->top, lprcBounds->right, lprcBounds->bottom};
    else if (m_hWnd)
        bounds = GetClientRect();
    OnDraw(hdcDraw, bounds);
    return S_OK;
}

STDMETHODIMP COleControl::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** ppColorSet) {
    if (!ppColorSet) return E_POINTER;
    *ppColorSet = nullptr;
    return S_FALSE;
}

STDMETHODIMP COleControl::Freeze(DWORD, LONG, void*, DWORD* pdwFreeze) {
    if (pdwFreeze) *pdwFreeze = 0;
    return E_NOTIMPL;
}

STDMETHODIMP COleControl::Unfreeze(DWORD) { return E_NOTIMPL; }

STDMETHODIMP COleControl::SetAdvise(DWORD aspects, DWORD advf, IAdviseSink* pAdvSink) {
    m_dwViewAdviseAspects = aspects;
    m_dwViewAdviseFlags = advf;
    m_pViewAdviseSink = CComPtrT<IAdviseSink>(pAdvSink);
    return S_OK;
}

STDMETHODIMP COleControl::GetAdvise(DWORD* pAspects, DWORD* pAdvf, IAdviseSink** ppAdvSink) {
    if (pAspects) *pAspects = m_dwViewAdviseAspects;
    if (pAdvf) *pAdvf = m_dwViewAdviseFlags;
    if (ppAdvSink) {
        *ppAdvSink = m_pViewAdviseSink.Get();
        if (*ppAdvSink) (*ppAdvSink)->AddRef();
    }
    return S_OK;
}

STDMETHODIMP COleControl::GetExtent(DWORD dwDrawAspect, LONG, DVTARGETDEVICE*, LPSIZEL lpsizel) {
    return GetExtent(dwDrawAspect, lpsizel);
}
