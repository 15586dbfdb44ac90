#include "ui/main_panel_dlg.h"

#include "framework/ole_control.h"
#include "res/resource.h"

namespace {
// 2^-20 KB: anything at or below it is treated as "no figure given".
constexpr double kSmallestSpaceKB = 1.0 / (1024.0 * 1024.0);
}  // namespace

CMainPanelDlg::CMainPanelDlg()
    : CDialog(IDD_MAIN_PANEL), m_crSkin(GetSysColor(COLOR_BTNFACE)), m_brSkin(CreateSolidBrush(m_crSkin)) {}

void CMainPanelDlg::SetTotalSpace(double dKB) {
    if (!(dKB > kSmallestSpaceKB)) return;
    m_dTotalKB = dKB;
    if (m_hWnd) Invalidate(TRUE);
}

void CMainPanelDlg::SetUsedSpace(double dKB) {
    if (!(dKB > kSmallestSpaceKB)) return;
    m_dUsedKB = dKB;
    if (m_hWnd) Invalidate(TRUE);
}

void CMainPanelDlg::SetAlbumName(const std::string& strName) {
    m_strAlbumName = strName;
    if (m_hWnd) SetWindowText(m_strAlbumName);
}

void CMainPanelDlg::SetSkinColor(COLORREF cr) {
    m_crSkin = cr;
    m_brSkin.Reset(CreateSolidBrush(cr));
    if (m_hWnd) Invalidate(TRUE);
}

void CMainPanelDlg::FireUploadFinished() {
    auto* control = dynamic_cast<COleControl*>(GetParent());
    if (control && control->m_hWnd) control->FireEvent(1);
}

BOOL CMainPanelDlg::OnInitDialog() {
    if (!m_strAlbumName.empty()) SetWindowText(m_strAlbumName);
    return TRUE;
}

BOOL CMainPanelDlg::OnEraseBkgnd(HDC hdc) {
    RECT rc = GetClientRect();
    FillRect(hdc, &rc, m_brSkin.Get());
    return TRUE;
}

LRESULT CMainPanelDlg::OnCtlColorDlg(WPARAM, LPARAM) { return reinterpret_cast<LRESULT>(m_brSkin.Get()); }
