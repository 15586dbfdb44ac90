// The control as a page hosts it: made by its class factory, then placed by Wine's ATL
// container (a real control site nobody here wrote) into a child window of its own, the
// site. Shared by the tests of the hosted control, its panel and tree, and the benchmarks.
#pragma once
#include <windows.h>

#include "control/tessaline_ctrl.h"
#include "framework/com_ptr.h"
#include "framework/ole_object_factory.h"

// An object of the class, through its class factory as a container gets it; null on failure.
template <class T>
CComPtrT<T> CreateFromFactory(const CLSID& clsid, const IID& iid) {
    CComPtrT<IClassFactory> factory;
    CComPtrT<T> object;
    if (SUCCEEDED(COleObjectFactory::GetClassObject(clsid, IID_IClassFactory, factory.ReceiveVoid())))
        factory->CreateInstance(nullptr, iid, object.ReceiveVoid());
    return object;
}

class CHostedControl {
public:
    using AttachFn = HRESULT(WINAPI*)(IUnknown* pControl, HWND hWnd, IUnknown** ppUnkContainer);

    CHostedControl() = default;
    ~CHostedControl() { Close(); }
    CHostedControl(const CHostedControl&) = delete;
    CHostedControl& operator=(const CHostedControl&) = delete;

    // Makes the control and its site, a visible child of hParent at rcSite. False when the
    // container's DLL, the control or the site cannot be had.
    bool Create(HWND hParent, const RECT& rcSite);
    // Hands the control to the container, which activates it in place in the site; true
    // once the panel's window is there.
    bool Attach();
    // Destroys the site and lets the container go, as a page that closes does; the control
    // object itself lives on until this goes.
    void Close();

    const CComPtrT<IDispatch>& Dispatch() const { return m_disp; }
    HWND Site() const { return m_hSite; }
    // The C++ object behind the automation interface (the program links the control in).
    CTessalineCtrl& Control() const { return *static_cast<CTessalineCtrl*>(m_disp.Get()); }
    CMainPanelDlg& Panel() const { return Control().GetPanel(); }

private:
    AttachFn m_pfnAttach = nullptr;  // AtlAxAttachControl
    HWND m_hSite = nullptr;
    CComPtrT<IDispatch> m_disp;
    CComPtrT<IUnknown> m_container;
};
