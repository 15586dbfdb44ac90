// The control's panel made from its class factory and shown in a frame of 800 × 600, as a
// page shows it: the grid paints, and so makes its thumbnails, only when shown. OLE must be
// initialised on the thread first.
#pragma once
#include "control/tessaline_ctrl.h"
#include "framework/com_ptr.h"
#include "framework/ole_object_factory.h"
#include "tessaline_h.h"

class CBenchPanel {
public:
    CBenchPanel() {
        CComPtrT<IClassFactory> factory;
        COleObjectFactory::GetClassObject(CLSID_TessalineCtrl, IID_IClassFactory, factory.ReceiveVoid());
        factory->CreateInstance(nullptr, IID_IOleObject, m_control.ReceiveVoid());
        m_hFrame =
            CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
        CMainPanelDlg& panel = Panel();
        panel.Create(IDD_MAIN_PANEL, m_hFrame);
        MoveWindow(panel.m_hWnd, 0, 0, 800, 600, TRUE);
        ShowWindow(panel.m_hWnd, SW_SHOW);
    }
    ~CBenchPanel() {
        Panel().DestroyWindow();
        DestroyWindow(m_hFrame);
    }
    CBenchPanel(const CBenchPanel&) = delete;
    CBenchPanel& operator=(const CBenchPanel&) = delete;

    CMainPanelDlg& Panel() { return static_cast<CTessalineCtrl*>(m_control.Get())->GetPanel(); }
    // Lists the folder as a click in the tree would.
    void Scan(const char* pszFolder) {
        SendMessageA(Panel().m_hWnd, WM_PANEL_SCANFOLDER, 0, reinterpret_cast<LPARAM>(pszFolder));
    }

private:
    CComPtrT<IOleObject> m_control;
    HWND m_hFrame = nullptr;
};
