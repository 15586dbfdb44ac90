// Dialog object over a dialog template of this module, modal or modeless.
#pragma once
#include "framework/wnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    // Runs the dialog modally; answers the EndDialog code, or -1 when it could not be shown.
    INT_PTR DoModal();
    // The same, owned by a window that has no object here (a container's).
    INT_PTR DoModal(HWND hWndOwner);
    // Creates the dialog modelessly; its OnInitDialog runs inside this call.
    BOOL Create(UINT nIDTemplate, CWnd* pParentWnd);
    BOOL Create(UINT nIDTemplate, HWND hWndParent);
    // Modal: ends the run with nResult. Modeless: hides the window, which stays.
    void EndDialog(int nResult);

    UINT GetTemplateId() const { return m_nIDTemplate; }

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }

    BEGIN_MESSAGE_MAP(CDialog, CWnd)
        ON_COMMAND(IDOK, OnOK)
        ON_COMMAND(IDCANCEL, OnCancel)
    END_MESSAGE_MAP()

private:
    static INT_PTR CALLBACK StdDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    bool m_bModal = false;
};
