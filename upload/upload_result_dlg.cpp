#include "upload/upload_result_dlg.h"

#include <commctrl.h>

#include <string>

#include "framework/gdi.h"
#include "framework/text.h"
#include "res/resource.h"

namespace {

void InsertColumn(HWND hList, int nColumn, const std::string& strHeader, int nWidth) {
    std::string strText = strHeader;  // the structure wants a writable pointer
    LVCOLUMNA col{};
    col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    col.fmt = LVCFMT_LEFT;
    col.cx = nWidth;
    col.pszText = strText.data();
    col.iSubItem = nColumn;
    SendMessageA(hList, LVM_INSERTCOLUMNA, static_cast<WPARAM>(nColumn), reinterpret_cast<LPARAM>(&col));
}

}  // namespace

CUploadResultDlg::CUploadResultDlg(const SummaryRequest& request, CWnd* pParent)
    : CDialog(IDD_UPLOAD_RESULT, pParent), m_request(request) {
    const INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
}

bool CUploadResultDlg::CanReupload() const { return !m_request.bCancelMode && m_request.bCanReupload; }

BOOL CUploadResultDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetDlgItemTextA(m_hWnd, IDC_RESULT_MESSAGE, m_request.strMessage.c_str());
    SetDlgItemTextA(m_hWnd, IDC_RESULT_LIST_LABEL, m_request.strListLabel.c_str());
    m_wndList.SubclassDlgItem(IDC_RESULT_LIST, this);
    InsertColumns();
    FillRows();

    if (CanReupload()) return TRUE;
    // No re-upload: the button is out of reach (hidden after a cancel, greyed when only
    // rejected pictures failed) and Enter means "确定".
    const HWND hReupload = GetDlgItem(IDOK);
    EnableWindow(hReupload, FALSE);
    if (m_request.bCancelMode) ::ShowWindow(hReupload, SW_HIDE);
    SendMessage(DM_SETDEFID, IDCANCEL);
    SetFocus(GetDlgItem(IDCANCEL));
    return FALSE;  // the focus is set
}

void CUploadResultDlg::InsertColumns() {
    // Widths at 96 dpi: the list grows with the dialog's font, its columns with the dpi.
    const CDpiScale scale = ScreenDpiScale();
    InsertColumn(m_wndList.m_hWnd, 0, LoadResString(IDS_COLUMN_NAME), scale.Scale(100));
    InsertColumn(m_wndList.m_hWnd, 1, LoadResString(m_request.bStatusColumn ? IDS_COLUMN_STATUS : IDS_COLUMN_REASON),
                 scale.Scale(210));
}

void CUploadResultDlg::FillRows() {
    // The list view copies the texts, whatever their length; the rows keep ownership.
    int nRow = 0;
    for (const ResultRow& row : m_request.rows) {
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = nRow;
        item.pszText = const_cast<char*>(row.strName.c_str());
        const int nInserted =
            static_cast<int>(m_wndList.SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        if (nInserted < 0) continue;
        LVITEMA sub{};
        sub.iSubItem = 1;
        sub.pszText = const_cast<char*>(row.strStatus.c_str());
        m_wndList.SendMessage(LVM_SETITEMTEXTA, static_cast<WPARAM>(nInserted), reinterpret_cast<LPARAM>(&sub));
        nRow = nInserted + 1;
    }
}

void CUploadResultDlg::OnOK() {
    // The command can come without the button: Enter through the dialog manager, or a
    // message sent by anyone.
    const HWND hReupload = GetDlgItem(IDOK);
    // The button's own style: IsWindowVisible would also ask the dialog, hidden before its run.
    const bool bShown = hReupload && (GetWindowLongA(hReupload, GWL_STYLE) & WS_VISIBLE) != 0;
    if (!CanReupload() || !bShown || !IsWindowEnabled(hReupload)) return;
    EndDialog(IDOK);
}
