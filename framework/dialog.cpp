#include "framework/dialog.h"

#include "framework/module.h"

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

INT_PTR CDialog::DoModal() { return DoModal(m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr); }

INT_PTR CDialog::DoModal(HWND hWndOwner) {
    if (m_hWnd) return -1;
    m_bModal = true;
    INT_PTR result = DialogBoxParamA(CModule::Instance(), MAKEINTRESOURCEA(m_nIDTemplate), hWndOwner, StdDlgProc,
                                     reinterpret_cast<LPARAM>(this));
    m_bModal = false;
    return result;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
    m_pParentWnd = pParentWnd;
    return Create(nIDTemplate, pParentWnd ? pParentWnd->m_hWnd : nullptr);
}

BOOL CDialog::Create(UINT nIDTemplate, HWND parent) {
    if (m_hWnd) return FALSE;
    m_nIDTemplate = nIDTemplate;
    m_bModal = false;
    HWND hDlg = CreateDialogParamA(CModule::Instance(), MAKEINTRESOURCEA(nIDTemplate), parent, StdDlgProc,
                                   reinterpret_cast<LPARAM>(this));
    return hDlg != nullptr;
}

void CDialog::EndDialog(int nResult) {
    if (!m_hWnd) return;
    // A modeless dialog is kept for its next showing: ending it only hides it. Its window
    // goes when the object does, or with its owner.
    if (m_bModal)
        ::EndDialog(m_hWnd, nResult);
    else
        ShowWindow(SW_HIDE);
}

INT_PTR CALLBACK CDialog::StdDlgProc(HWND hDlg, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_INITDIALOG) return FALSE;
    // From here on the dialog's messages go through the object's message map; what the map
    // leaves goes back to the dialog manager, which asks this procedure (answering FALSE).
    auto* dlg = reinterpret_cast<CDialog*>(lParam);
    if (!dlg || !dlg->SubclassWindow(hDlg)) return TRUE;
    try {
        return dlg->OnInitDialog();
    } catch (...) {
        return TRUE;
    }
}
