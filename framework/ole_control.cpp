#include "framework/ole_control.h"
#include "framework/com_boundary.h"

#include "framework/qi_table.h"
#include "framework/text.h"

#include <exdisp.h>
#include <mshtml.h>
#include <servprov.h>
#include <shlguid.h>

#include <vector>

namespace {
// A new control's extent before the container sizes it: 640 x 400 pixels at 96 dpi.
constexpr LONG kDefaultWidthHimetric = 640 * 2540 / 96;
constexpr LONG kDefaultHeightHimetric = 400 * 2540 / 96;
}  // namespace

COleControl::COleControl(const OleControlClass& info)
    : m_info(info),
      m_dwVersion(MAKELONG(info.wVerMinor, info.wVerMajor)),
      m_sizeExtent{kDefaultWidthHimetric, kDefaultHeightHimetric},
      m_cpEvents(this, *info.pEventIid) {}

COleControl::~COleControl() = default;

STDMETHODIMP COleControl::QueryInterface(REFIID riid, void** ppv) {
    static const QITableEntry table[] = {
        QI_ENTRY(COleControl, IOleObject),
        QI_ENTRY(COleControl, IOleInPlaceObject),
        QI_ENTRY(COleControl, IOleInPlaceActiveObject),
        QI_ENTRY(COleControl, IOleControl),
        QI_ENTRY(COleControl, IViewObject2),
        QI_ENTRY(COleControl, IViewObject),
        QI_ENTRY(COleControl, IPersistStreamInit),
        QI_ENTRY(COleControl, IPersistPropertyBag),
        QITableEntry{&IID_IPersist,
                     [](void* self) -> void* {
                         return static_cast<IPersist*>(
                             static_cast<IPersistStreamInit*>(static_cast<COleControl*>(self)));
                     }},
        QITableEntry{&IID_IOleWindow,
                     [](void* self) -> void* {
                         return static_cast<IOleWindow*>(
                             static_cast<IOleInPlaceObject*>(static_cast<COleControl*>(self)));
                     }},
        QI_ENTRY(COleControl, IDispatch),
        QI_ENTRY(COleControl, IProvideClassInfo2),
        QI_ENTRY(COleControl, IProvideClassInfo),
        QI_ENTRY(COleControl, IConnectionPointContainer),
        QI_ENTRY(COleControl, ISpecifyPropertyPages),
        QI_ENTRY(COleControl, IObjectSafety),
        QI_END(),
    };
    if (ppv && *m_info.pDispIid == riid) {
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    return QueryInterfaceFromTable(this, table, riid, ppv);
}

STDMETHODIMP_(ULONG) COleControl::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_nRef)); }

STDMETHODIMP_(ULONG) COleControl::Release() {
    LONG n = InterlockedDecrement(&m_nRef);
    if (n == 0) {
        // Tear down while the object is still whole, so the window sees the derived class.
        m_nRef = 1;
        if (m_hWnd) DestroyWindow();
        m_cpEvents.UnadviseAll();
        m_pClientSite.Release();
        delete this;
    }
    return static_cast<ULONG>(n);
}

// ---- IOleObject -----------------------------------------------------------------------------

STDMETHODIMP COleControl::SetClientSite(IOleClientSite* pClientSite) {
    if (!pClientSite) {
        InPlaceDeactivate();
        m_pClientSite.Release();
        return S_OK;
    }
    m_pClientSite = CComPtrT<IOleClientSite>(pClientSite);
    return S_OK;
}

STDMETHODIMP COleControl::GetClientSite(IOleClientSite** ppClientSite) {
    if (!ppClientSite) return E_POINTER;
    *ppClientSite = m_pClientSite.Get();
    if (*ppClientSite) (*ppClientSite)->AddRef();
    return S_OK;
}

STDMETHODIMP COleControl::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

STDMETHODIMP COleControl::Close(DWORD) {
    InPlaceDeactivate();
    if (m_pOleAdviseHolder) m_pOleAdviseHolder->SendOnClose();
    return S_OK;
}

STDMETHODIMP COleControl::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }

STDMETHODIMP COleControl::GetMoniker(DWORD, DWORD, IMoniker** ppmk) {
    if (!ppmk) return E_POINTER;
    *ppmk = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP COleControl::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }

STDMETHODIMP COleControl::GetClipboardData(DWORD, IDataObject** ppDataObject) {
    if (!ppDataObject) return E_POINTER;
    *ppDataObject = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP COleControl::DoVerb(LONG iVerb, LPMSG, IOleClientSite* pActiveSite, LONG, HWND hwndParent,
                                 LPCRECT lprcPosRect) {
    return ComBoundary([&]() -> HRESULT {
        if (pActiveSite && !m_pClientSite) m_pClientSite = CComPtrT<IOleClientSite>(pActiveSite);
        switch (iVerb) {
        case OLEIVERB_PRIMARY:
        case OLEIVERB_SHOW:
        case OLEIVERB_INPLACEACTIVATE:
        case OLEIVERB_UIACTIVATE: return InPlaceActivate(iVerb, hwndParent, lprcPosRect);
        case OLEIVERB_HIDE:
            if (m_hWnd) ShowWindow(SW_HIDE);
            return S_OK;
        case OLEIVERB_PROPERTIES: OnProperties(hwndParent); return S_OK;
        default: return iVerb > 0 ? OLEOBJ_S_INVALIDVERB : E_NOTIMPL;
        }
    });
}

STDMETHODIMP COleControl::EnumVerbs(IEnumOLEVERB** ppEnumOleVerb) {
    if (!ppEnumOleVerb) return E_POINTER;
    return OleRegEnumVerbs(*m_info.pClsid, ppEnumOleVerb);
}

STDMETHODIMP COleControl::Update() { return S_OK; }
STDMETHODIMP COleControl::IsUpToDate() { return S_OK; }

STDMETHODIMP COleControl::GetUserClassID(CLSID* pClsid) {
    if (!pClsid) return E_POINTER;
    *pClsid = *m_info.pClsid;
    return S_OK;
}

STDMETHODIMP COleControl::GetUserType(DWORD dwFormOfType, LPOLESTR* pszUserType) {
    if (!pszUserType) return E_POINTER;
    return OleRegGetUserType(*m_info.pClsid, dwFormOfType, pszUserType);
}

STDMETHODIMP COleControl::SetExtent(DWORD dwDrawAspect, SIZEL* psizel) {
    if (!psizel) return E_POINTER;
    if (dwDrawAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (psizel->cx < 0 || psizel->cy < 0) return E_INVALIDARG;
    m_sizeExtent = *psizel;
    return S_OK;
}

STDMETHODIMP COleControl::GetExtent(DWORD dwDrawAspect, SIZEL* psizel) {
    if (!psizel) return E_POINTER;
    if (dwDrawAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    *psizel = m_sizeExtent;
    return S_OK;
}

STDMETHODIMP COleControl::Advise(IAdviseSink* pAdvSink, DWORD* pdwConnection) {
    if (!pdwConnection) return E_POINTER;
    *pdwConnection = 0;
    if (!m_pOleAdviseHolder && FAILED(CreateOleAdviseHolder(m_pOleAdviseHolder.Receive()))) return E_OUTOFMEMORY;
    return m_pOleAdviseHolder->Advise(pAdvSink, pdwConnection);
}

STDMETHODIMP COleControl::Unadvise(DWORD dwConnection) {
    if (!m_pOleAdviseHolder) return OLE_E_NOCONNECTION;
    return m_pOleAdviseHolder->Unadvise(dwConnection);
}

STDMETHODIMP COleControl::EnumAdvise(IEnumSTATDATA** ppenumAdvise) {
    if (!ppenumAdvise) return E_POINTER;
    *ppenumAdvise = nullptr;
    if (!m_pOleAdviseHolder) return S_FALSE;
    return m_pOleAdviseHolder->EnumAdvise(ppenumAdvise);
}

STDMETHODIMP COleControl::GetMiscStatus(DWORD dwAspect, DWORD* pdwStatus) {
    if (!pdwStatus) return E_POINTER;
    *pdwStatus = dwAspect == DVASPECT_CONTENT ? m_info.dwMiscStatus : 0;
    return S_OK;
}

STDMETHODIMP COleControl::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

// ---- Activation -----------------------------------------------------------------------------

HRESULT COleControl::InPlaceActivate(LONG iVerb, HWND hwndParent, LPCRECT lprcPosRect) {
    if (!m_pClientSite) return E_UNEXPECTED;
    if (!m_pInPlaceSite) {
        CComPtrT<IOleInPlaceSite> site;
        if (FAILED(m_pClientSite.QueryInterface(site))) return E_NOINTERFACE;
        if (site->CanInPlaceActivate() != S_OK) return E_FAIL;
        if (FAILED(site->OnInPlaceActivate())) return E_FAIL;
        m_pInPlaceSite = site;
    }
    if (!m_hWnd) {
        HWND parent = nullptr;
        if (FAILED(m_pInPlaceSite->GetWindow(&parent)) || !parent) parent = hwndParent;
        RECT pos{}, clip{};
        OLEINPLACEFRAMEINFO frameInfo{};
        frameInfo.cb = sizeof frameInfo;
        m_pInPlaceFrame.Release();
        m_pInPlaceDoc.Release();
        if (FAILED(m_pInPlaceSite->GetWindowContext(m_pInPlaceFrame.Receive(), m_pInPlaceDoc.Receive(), &pos, &clip,
                                                    &frameInfo))) {
            if (lprcPosRect) pos = *lprcPosRect;
        }
        LPCSTR cls = RegisterWndClass(CS_DBLCLKS);
        if (!cls || !CreateEx(0, cls, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, pos, parent, 0)) {
            m_pInPlaceSite->OnInPlaceDeactivate();
            m_pInPlaceSite.Release();
            return E_FAIL;
        }
    }
    ShowWindow(SW_SHOW);
    if (iVerb == OLEIVERB_UIACTIVATE || iVerb == OLEIVERB_PRIMARY) return UIActivate();
    return S_OK;
}

HRESULT COleControl::UIActivate() {
    if (m_bUIActive || !m_pInPlaceSite) return S_OK;
    m_bUIActive = true;
    m_pInPlaceSite->OnUIActivate();
    if (m_pInPlaceFrame) m_pInPlaceFrame->SetActiveObject(this, nullptr);
    if (m_pInPlaceDoc) m_pInPlaceDoc->SetActiveObject(this, nullptr);
    return S_OK;
}

void COleControl::OnProperties(HWND hWndParent) {
    if (m_info.nPropPages == 0) return;
    CModalScope modal(this);
    // A container that keeps its own frame (with pages of its own beside the control's) is
    // asked first; one that has none says so and the control shows the frame itself.
    CComPtrT<IOleControlSite> site;
    if (!m_pClientSite || FAILED(m_pClientSite.QueryInterface(site)) || FAILED(site->ShowPropertyFrame())) {
        IUnknown* self = static_cast<IOleObject*>(this);
        std::vector<CLSID> pages(m_info.pPropPages, m_info.pPropPages + m_info.nPropPages);
        // The frame is titled with the control's name, as the registry gives it.
        LPOLESTR pszName = nullptr;
        if (FAILED(OleRegGetUserType(*m_info.pClsid, USERCLASSTYPE_FULL, &pszName))) pszName = nullptr;
        // Owned by the container's top-level window, which the modal frame disables.
        HWND hWndOwner = hWndParent ? hWndParent : m_hWnd;
        if (hWndOwner) hWndOwner = GetAncestor(hWndOwner, GA_ROOT);
        OleCreatePropertyFrame(hWndOwner, 0, 0, pszName ? pszName : L"", 1, &self, static_cast<ULONG>(pages.size()),
                               pages.data(), LOCALE_USER_DEFAULT, 0, nullptr);
        CoTaskMemFree(pszName);
    }
}

void COleControl::BeginModal() {
    AddRef();
    if (m_nModalDepth++ > 0) return;
    m_pModalFrame = m_pInPlaceFrame;
    if (m_pModalFrame) m_pModalFrame->EnableModeless(FALSE);
}

void COleControl::EndModal() {
    if (--m_nModalDepth == 0) {
        CComPtrT<IOleInPlaceFrame> frame = std::move(m_pModalFrame);
        if (frame) frame->EnableModeless(TRUE);
    }
    ReleaseWhenIdle(static_cast<IOleObject*>(this));
}

std::string COleControl::GetPageUrl() const {
    if (!m_pClientSite) return std::string();
    BSTR location = nullptr;
    CComPtrT<IServiceProvider> services;
    CComPtrT<IWebBrowser2> browser;
    if (SUCCEEDED(m_pClientSite.QueryInterface(services)) &&
        SUCCEEDED(services->QueryService(SID_SWebBrowserApp, IID_IWebBrowser2, browser.ReceiveVoid())) && browser &&
        FAILED(browser->get_LocationURL(&location)))
        location = nullptr;
    CComPtrT<IOleContainer> container;
    CComPtrT<IHTMLDocument2> document;
    if (!location && SUCCEEDED(m_pClientSite->GetContainer(container.Receive())) && container &&
        SUCCEEDED(container.QueryInterface(document)) && FAILED(document->get_URL(&location)))
        location = nullptr;
    const CScopedBstr url(location);
    // UTF-8, not the ANSI code page: its best-fit mapping would turn some letters of other
    // scripts into ASCII ones, and an address could then pass for another site's.
    return WideToUtf8(url.Get(), SysStringLen(url.Get()));
}

void COleControl::FireEvent(DISPID dispid) {
    if (m_nFreezeEvents > 0) return;
    AddRef();
    m_cpEvents.FireEvent(dispid);
    Release();
}

STDMETHODIMP COleControl::EnumConnectionPoints(IEnumConnectionPoints** ppEnum) {
    if (!ppEnum) return E_POINTER;
    *ppEnum = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP COleControl::FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) {
    if (!ppCP) return E_POINTER;
    *ppCP = nullptr;
    if (riid != *m_info.pEventIid) return CONNECT_E_NOCONNECTION;
    *ppCP = &m_cpEvents;
    AddRef();
    return S_OK;
}

STDMETHODIMP COleControl::GetPages(CAUUID* pPages) {
    if (!pPages) return E_POINTER;
    pPages->cElems = 0;
    pPages->pElems = nullptr;
    if (m_info.nPropPages == 0) return S_OK;
    auto* elems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID) * m_info.nPropPages));
    if (!elems) return E_OUTOFMEMORY;
    for (ULONG i = 0; i < m_info.nPropPages; ++i) elems[i] = m_info.pPropPages[i];
    pPages->cElems = m_info.nPropPages;
    pPages->pElems = elems;
    return S_OK;
}

namespace {
constexpr DWORD kSafeOptions = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
}

STDMETHODIMP COleControl::GetInterfaceSafetyOptions(REFIID riid, DWORD* pdwSupportedOptions, DWORD* pdwEnabledOptions) {
    if (!pdwSupportedOptions || !pdwEnabledOptions) return E_POINTER;
    *pdwSupportedOptions = 0;
    *pdwEnabledOptions = 0;
    CComPtrT<IUnknown> probe;
    if (FAILED(QueryInterface(riid, probe.ReceiveVoid()))) return E_NOINTERFACE;
    *pdwSupportedOptions = kSafeOptions;
    *pdwEnabledOptions = m_dwSafety;
    return S_OK;
}

STDMETHODIMP COleControl::SetInterfaceSafetyOptions(REFIID riid, DWORD dwOptionSetMask, DWORD dwEnabledOptions) {
    CComPtrT<IUnknown> probe;
    if (FAILED(QueryInterface(riid, probe.ReceiveVoid()))) return E_NOINTERFACE;
    if (dwOptionSetMask & ~kSafeOptions) return E_FAIL;
    // A browser that hears this refuses to script or initialise the control on this page.
    if ((dwEnabledOptions & dwOptionSetMask) != 0 && !IsPageAllowed()) return E_FAIL;
    m_dwSafety = (m_dwSafety & ~dwOptionSetMask) | (dwEnabledOptions & dwOptionSetMask);
    return S_OK;
}
