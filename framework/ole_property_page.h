// Base of a property page object: a child dialog shown by a property frame through
// IPropertyPage.
#pragma once
#include "framework/com_ptr.h"
#include "framework/dialog.h"
#include "framework/module.h"

#include <ocidl.h>

#include <string>
#include <vector>

class COlePropertyPage : public CDialog, public IPropertyPage {
public:
    COlePropertyPage(UINT nIDTemplate, UINT nIDCaption);

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP SetPageSite(IPropertyPageSite* pPageSite) override;
    STDMETHODIMP Activate(HWND hWndParent, LPCRECT pRect, BOOL bModal) override;
    STDMETHODIMP Deactivate() override;
    STDMETHODIMP GetPageInfo(PROPPAGEINFO* pPageInfo) override;
    STDMETHODIMP SetObjects(ULONG cObjects, IUnknown** ppUnk) override;
    STDMETHODIMP Show(UINT nCmdShow) override;
    STDMETHODIMP Move(LPCRECT pRect) override;
    STDMETHODIMP IsPageDirty() override;
    STDMETHODIMP Apply() override;
    STDMETHODIMP Help(LPCOLESTR pszHelpDir) override;
    STDMETHODIMP TranslateAccelerator(MSG* pMsg) override;

protected:
    // Moves values between the page's controls and the objects (bSaveAndValidate: to them).
    virtual void DoDataExchange(bool bSaveAndValidate) = 0;
    void SetModifiedFlag(bool bModified = true);
    // Ends every exchange: the page is clean again once its values went to the objects.
    void DDP_PostProcessing(bool bSaveAndValidate);
    // The page's children must not close the frame on Enter or Escape.
    void OnOK() override {}
    void OnCancel() override {}

    BEGIN_MESSAGE_MAP(COlePropertyPage, CDialog)
        ON_MESSAGE(kMsgFitSite, OnFitSite)
    END_MESSAGE_MAP()

private:
    // Posted by Activate: a frame may size the page's site after activating the page (Wine's
    // does, and never calls Move), which would leave the page short of the site it fills.
    static constexpr UINT kMsgFitSite = WM_APP + 1;
    LRESULT OnFitSite(WPARAM, LPARAM);

    CModuleObjectCount m_objectCount;
    LONG m_nRef = 1;
    UINT m_nIDCaption;
    bool m_bDirty = false;
    // The page was given the whole of its parent's client area and keeps to it until the
    // frame places it with Move.
    bool m_bFillsSite = false;
    CComPtrT<IPropertyPageSite> m_pPageSite;
    std::vector<CComPtrT<IUnknown>> m_arrObjects;
};
