#include "page_site.h"

#include <shlguid.h>

#include "framework/qi_table.h"

#define NOT_TOLD(signature) \
    STDMETHODIMP signature override { return E_NOTIMPL; }

class CPageSite::CBrowser final : public IWebBrowser2 {
public:
    explicit CBrowser(CPageSite& site) : m_site(site) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IDispatch && riid != IID_IWebBrowser && riid != IID_IWebBrowserApp &&
            riid != IID_IWebBrowser2)
            return E_NOINTERFACE;
        *ppv = static_cast<IWebBrowser2*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return m_site.AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return m_site.Release(); }

    STDMETHODIMP get_LocationURL(BSTR* pbstrUrl) override {
        if (!pbstrUrl) return E_POINTER;
        *pbstrUrl = SysAllocStringLen(m_site.m_url->data(), static_cast<UINT>(m_site.m_url->size()));
        return *pbstrUrl ? S_OK : E_OUTOFMEMORY;
    }

    // Nothing else of the browser is told to a control.
    NOT_TOLD(GetTypeInfoCount(UINT*))
    NOT_TOLD(GetTypeInfo(UINT, LCID, ITypeInfo**))
    NOT_TOLD(GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*))
    NOT_TOLD(Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*))
    NOT_TOLD(GoBack())
    NOT_TOLD(GoForward())
    NOT_TOLD(GoHome())
    NOT_TOLD(GoSearch())
    NOT_TOLD(Navigate(BSTR, VARIANT*, VARIANT*, VARIANT*, VARIANT*))
    NOT_TOLD(Refresh())
    NOT_TOLD(Refresh2(VARIANT*))
    NOT_TOLD(Stop())
    NOT_TOLD(get_Application(IDispatch**))
    NOT_TOLD(get_Parent(IDispatch**))
    NOT_TOLD(get_Container(IDispatch**))
    NOT_TOLD(get_Document(IDispatch**))
    NOT_TOLD(get_TopLevelContainer(VARIANT_BOOL*))
    NOT_TOLD(get_Type(BSTR*))
    NOT_TOLD(get_Left(LONG*))
    NOT_TOLD(put_Left(LONG))
    NOT_TOLD(get_Top(LONG*))
    NOT_TOLD(put_Top(LONG))
    NOT_TOLD(get_Width(LONG*))
    NOT_TOLD(put_Width(LONG))
    NOT_TOLD(get_Height(LONG*))
    NOT_TOLD(put_Height(LONG))
    NOT_TOLD(get_LocationName(BSTR*))
    NOT_TOLD(get_Busy(VARIANT_BOOL*))
    NOT_TOLD(Quit())
    NOT_TOLD(ClientToWindow(int*, int*))
    NOT_TOLD(PutProperty(BSTR, VARIANT))
    NOT_TOLD(GetProperty(BSTR, VARIANT*))
    NOT_TOLD(get_Name(BSTR*))
    NOT_TOLD(get_HWND(SHANDLE_PTR*))
    NOT_TOLD(get_FullName(BSTR*))
    NOT_TOLD(get_Path(BSTR*))
    NOT_TOLD(get_Visible(VARIANT_BOOL*))
    NOT_TOLD(put_Visible(VARIANT_BOOL))
    NOT_TOLD(get_StatusBar(VARIANT_BOOL*))
    NOT_TOLD(put_StatusBar(VARIANT_BOOL))
    NOT_TOLD(get_StatusText(BSTR*))
    NOT_TOLD(put_StatusText(BSTR))
    NOT_TOLD(get_ToolBar(int*))
    NOT_TOLD(put_ToolBar(int))
    NOT_TOLD(get_MenuBar(VARIANT_BOOL*))
    NOT_TOLD(put_MenuBar(VARIANT_BOOL))
    NOT_TOLD(get_FullScreen(VARIANT_BOOL*))
    NOT_TOLD(put_FullScreen(VARIANT_BOOL))
    NOT_TOLD(Navigate2(VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*))
    NOT_TOLD(QueryStatusWB(OLECMDID, OLECMDF*))
    NOT_TOLD(ExecWB(OLECMDID, OLECMDEXECOPT, VARIANT*, VARIANT*))
    NOT_TOLD(ShowBrowserBar(VARIANT*, VARIANT*, VARIANT*))
    NOT_TOLD(get_ReadyState(READYSTATE*))
    NOT_TOLD(get_Offline(VARIANT_BOOL*))
    NOT_TOLD(put_Offline(VARIANT_BOOL))
    NOT_TOLD(get_Silent(VARIANT_BOOL*))
    NOT_TOLD(put_Silent(VARIANT_BOOL))
    NOT_TOLD(get_RegisterAsBrowser(VARIANT_BOOL*))
    NOT_TOLD(put_RegisterAsBrowser(VARIANT_BOOL))
    NOT_TOLD(get_RegisterAsDropTarget(VARIANT_BOOL*))
    NOT_TOLD(put_RegisterAsDropTarget(VARIANT_BOOL))
    NOT_TOLD(get_TheaterMode(VARIANT_BOOL*))
    NOT_TOLD(put_TheaterMode(VARIANT_BOOL))
    NOT_TOLD(get_AddressBar(VARIANT_BOOL*))
    NOT_TOLD(put_AddressBar(VARIANT_BOOL))
    NOT_TOLD(get_Resizable(VARIANT_BOOL*))
    NOT_TOLD(put_Resizable(VARIANT_BOOL))

private:
    CPageSite& m_site;
};

#undef NOT_TOLD

CPageSite::CPageSite(HWND hWnd, std::optional<std::wstring> url)
    : m_hWnd(hWnd), m_url(std::move(url)), m_pBrowser(std::make_unique<CBrowser>(*this)) {}

CPageSite::~CPageSite() = default;

CComPtrT<CPageSite> CPageSite::Create(HWND hWnd, std::optional<std::wstring> url) {
    CComPtrT<CPageSite> site;
    site.Attach(new CPageSite(hWnd, std::move(url)));
    return site;
}

STDMETHODIMP CPageSite::QueryInterface(REFIID riid, void** ppv) {
    static const QITableEntry table[] = {
        QI_ENTRY(CPageSite, IOleClientSite),
        QI_ENTRY(CPageSite, IOleInPlaceSite),
        QI_ENTRY(CPageSite, IOleInPlaceFrame),
        QI_ENTRY(CPageSite, IOleInPlaceUIWindow),
        QITableEntry{&IID_IOleWindow,
                     [](void* self) -> void* {
                         return static_cast<IOleWindow*>(static_cast<IOleInPlaceSite*>(static_cast<CPageSite*>(self)));
                     }},
        QI_ENTRY(CPageSite, IServiceProvider),
        QI_END(),
    };
    return QueryInterfaceFromTable(this, table, riid, ppv);
}

STDMETHODIMP_(ULONG) CPageSite::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_nRef)); }

STDMETHODIMP_(ULONG) CPageSite::Release() {
    const LONG n = InterlockedDecrement(&m_nRef);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
}

STDMETHODIMP CPageSite::GetMoniker(DWORD, DWORD, IMoniker** ppmk) {
    if (!ppmk) return E_POINTER;
    *ppmk = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CPageSite::GetContainer(IOleContainer** ppContainer) {
    if (!ppContainer) return E_POINTER;
    *ppContainer = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP CPageSite::GetWindow(HWND* phwnd) {
    if (!phwnd) return E_POINTER;
    *phwnd = m_hWnd;
    return S_OK;
}

STDMETHODIMP CPageSite::GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc, LPRECT lprcPosRect,
                                         LPRECT lprcClipRect, LPOLEINPLACEFRAMEINFO lpFrameInfo) {
    if (!ppFrame || !ppDoc || !lprcPosRect || !lprcClipRect) return E_POINTER;
    *ppFrame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *ppDoc = nullptr;
    GetClientRect(m_hWnd, lprcPosRect);
    *lprcClipRect = *lprcPosRect;
    if (lpFrameInfo) {
        lpFrameInfo->fMDIApp = FALSE;
        lpFrameInfo->hwndFrame = GetAncestor(m_hWnd, GA_ROOT);
        lpFrameInfo->haccel = nullptr;
        lpFrameInfo->cAccelEntries = 0;
    }
    return S_OK;
}

STDMETHODIMP CPageSite::EnableModeless(BOOL fEnable) {
    m_nModelessDisabled += fEnable ? -1 : 1;
    if (m_onEnableModeless) m_onEnableModeless(fEnable != FALSE);
    return S_OK;
}

STDMETHODIMP CPageSite::QueryService(REFGUID guidService, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!m_url || guidService != SID_SWebBrowserApp) return E_NOINTERFACE;
    return m_pBrowser->QueryInterface(riid, ppv);
}

HRESULT CPageSite::Activate(IUnknown* pControl) {
    CComPtrT<IOleObject> control;
    HRESULT hr = pControl->QueryInterface(IID_IOleObject, control.ReceiveVoid());
    if (FAILED(hr)) return hr;
    if (FAILED(hr = control->SetClientSite(this))) return hr;
    CComPtrT<IPersistStreamInit> persist;
    if (SUCCEEDED(pControl->QueryInterface(IID_IPersistStreamInit, persist.ReceiveVoid()))) persist->InitNew();
    RECT rc{};
    GetClientRect(m_hWnd, &rc);
    m_pControl = control;
    return control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, this, 0, m_hWnd, &rc);
}

void CPageSite::Close() {
    CComPtrT<IOleObject> control = std::move(m_pControl);
    if (!control) return;
    control->Close(OLECLOSE_NOSAVE);
    control->SetClientSite(nullptr);
}
