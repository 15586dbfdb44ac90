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
    ~COlePropertyPage() override;

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

private:
    CModuleObjectCount m_objectCount;
    LONG m_nRef = 1;
    UINT m_nIDCaption;
    bool m_bDirty = false;
    CComPtrT<IPropertyPageSite> m_pPageSite;
    std::vector<CComPtrT<IUnknown>> m_arrObjects;
};
