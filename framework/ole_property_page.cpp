#include "framework/ole_property_page.h"
#include "framework/com_boundary.h"

#include "framework/qi_table.h"
#include "framework/text.h"

namespace {
// A copy of the text in task memory, as PROPPAGEINFO's owner frees it.
LPOLESTR CoTaskString(const std::wstring& text) {
    auto* out = static_cast<LPOLESTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(OLECHAR)));
    if (out) {
        text.copy(out, text.size());
        out[text.size()] = L'\0';
    }
    return out;
}

INT_PTR CALLBACK ProbeDlgProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The pixel size of a dialog template, read off a hidden instance of it.
SIZE DialogTemplateSize(UINT nIDTemplate) {
    SIZE size{};
    HWND probe =
        CreateDialogParamA(CModule::Instance(), MAKEINTRESOURCEA(nIDTemplate), GetDesktopWindow(), ProbeDlgProc, 0);
    if (probe) {
        RECT rc{};
        GetWindowRect(probe, &rc);
        size = SIZE{rc.right - rc.left, rc.bottom - rc.top};
        DestroyWindow(probe);
    }
    return size;
}
}  // namespace

COlePropertyPage::COlePropertyPage(UINT nIDTemplate, UINT nIDCaption)
    : CDialog(nIDTemplate), m_nIDCaption(nIDCaption) {}

STDMETHODIMP COlePropertyPage::QueryInterface(REFIID riid, void** ppv) {
    static const QITableEntry table[] = {QI_ENTRY(COlePropertyPage, IPropertyPage), QI_END()};
    return QueryInterfaceFromTable(this, table, riid, ppv);
}

STDMETHODIMP_(ULONG) COlePropertyPage::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_nRef)); }

STDMETHODIMP_(ULONG) COlePropertyPage::Release() {
    LONG n = InterlockedDecrement(&m_nRef);
    if (n == 0) {
        m_nRef = 1;
        if (m_hWnd) DestroyWindow();
        delete this;
    }
    return static_cast<ULONG>(n);
}

STDMETHODIMP COlePropertyPage::SetPageSite(IPropertyPageSite* pPageSite) {
    m_pPageSite = CComPtrT<IPropertyPageSite>(pPageSite);
    return S_OK;
}

STDMETHODIMP COlePropertyPage::Activate(HWND hWndParent, LPCRECT pRect, BOOL) {
    return ComBoundary([&]() -> HRESULT {
        if (!pRect) return E_POINTER;
        if (m_hWnd) return E_UNEXPECTED;
        if (!Create(GetTemplateId(), hWndParent)) return E_OUTOFMEMORY;
        MoveWindow(pRect->left, pRect->top, pRect->right - pRect->left, pRect->bottom - pRect->top);
        RECT rcSite{};
        m_bFillsSite = hWndParent && ::GetClientRect(hWndParent, &rcSite) && EqualRect(&rcSite, pRect);
        if (m_bFillsSite) PostMessage(kMsgFitSite);
        DoDataExchange(false);
        DDP_PostProcessing(false);
        return S_OK;
    });
}

STDMETHODIMP COlePropertyPage::Deactivate() {
    if (m_hWnd) DestroyWindow();
    return S_OK;
}

STDMETHODIMP COlePropertyPage::GetPageInfo(PROPPAGEINFO* pPageInfo) {
    return ComBoundary([&]() -> HRESULT {
        if (!pPageInfo) return E_POINTER;
        std::wstring title = AnsiToWide(LoadResString(m_nIDCaption));
        pPageInfo->cb = sizeof(PROPPAGEINFO);
        pPageInfo->pszTitle = CoTaskString(title);
        pPageInfo->size = DialogTemplateSize(GetTemplateId());
        pPageInfo->pszDocString = nullptr;
        pPageInfo->pszHelpFile = nullptr;
        pPageInfo->dwHelpContext = 0;
        return pPageInfo->pszTitle ? S_OK : E_OUTOFMEMORY;
    });
}

STDMETHODIMP COlePropertyPage::SetObjects(ULONG cObjects, IUnknown** ppUnk) {
    return ComBoundary([&]() -> HRESULT {
        if (cObjects > 0 && !ppUnk) return E_POINTER;
        m_arrObjects.clear();
        for (ULONG i = 0; i < cObjects; ++i) m_arrObjects.emplace_back(ppUnk[i]);
        return S_OK;
    });
}

STDMETHODIMP COlePropertyPage::Show(UINT nCmdShow) {
    if (!m_hWnd) return E_UNEXPECTED;
    ShowWindow(static_cast<int>(nCmdShow));
    return S_OK;
}

STDMETHODIMP COlePropertyPage::Move(LPCRECT pRect) {
    if (!pRect) return E_POINTER;
    if (!m_hWnd) return E_UNEXPECTED;
    m_bFillsSite = false;
    MoveWindow(pRect->left, pRect->top, pRect->right - pRect->left, pRect->bottom - pRect->top);
    return S_OK;
}

LRESULT COlePropertyPage::OnFitSite(WPARAM, LPARAM) {
    RECT rcSite{};
    if (m_bFillsSite && ::GetClientRect(::GetParent(m_hWnd), &rcSite))
        MoveWindow(rcSite.left, rcSite.top, rcSite.right - rcSite.left, rcSite.bottom - rcSite.top);
    return 0;
}

STDMETHODIMP COlePropertyPage::IsPageDirty() { return m_bDirty ? S_OK : S_FALSE; }

STDMETHODIMP COlePropertyPage::Apply() {
    return ComBoundary([&]() -> HRESULT {
        if (!m_bDirty) return S_OK;
        DoDataExchange(true);
        DDP_PostProcessing(true);
        return S_OK;
    });
}

STDMETHODIMP COlePropertyPage::Help(LPCOLESTR) { return E_NOTIMPL; }
STDMETHODIMP COlePropertyPage::TranslateAccelerator(MSG*) { return S_FALSE; }

void COlePropertyPage::SetModifiedFlag(bool bModified) {
    m_bDirty = bModified;
    if (m_pPageSite) m_pPageSite->OnStatusChange(bModified ? PROPPAGESTATUS_DIRTY : PROPPAGESTATUS_CLEAN);
}

void COlePropertyPage::DDP_PostProcessing(bool bSaveAndValidate) {
    if (bSaveAndValidate) m_bDirty = false;
}
