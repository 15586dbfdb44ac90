// The control's whole user interface: a child dialog over the control's client area that
// holds the page's configuration and the album's space figures.
#pragma once
#include "framework/dialog.h"
#include "framework/scoped_handle.h"

#include <string>

class CMainPanelDlg : public CDialog {
public:
    CMainPanelDlg();

    // The page's configuration; the control's property accessors use these directly.
    std::string m_strSignature;
    std::string m_strAlbumName;
    long m_nKXUin = 0;
    long m_nLimitX = 800;
    long m_nLimitY = 600;
    std::string m_strUploadCGI;
    COLORREF m_crSkin;

    // Album space in kilobytes as the panel shows and checks it.
    double m_dTotalKB = 10240.0;
    double m_dUsedKB = 0.0;

    // A figure is taken only when it is above 2^-20 KB: zero or negative values from the
    // page leave the display and the quota check as they were.
    void SetTotalSpace(double dKB);
    void SetUsedSpace(double dKB);
    void SetAlbumName(const std::string& strName);
    std::string GetAlbumName() const { return m_strAlbumName; }
    void SetSkinColor(COLORREF cr);
    // Raises the control's UploadFinished through the parent window's object, if any.
    void FireUploadFinished();

protected:
    BOOL OnInitDialog() override;
    // Enter and Escape in a child dialog must not destroy the control's interface.
    void OnOK() override {}
    void OnCancel() override {}
    BOOL OnEraseBkgnd(HDC hdc);
    LRESULT OnCtlColorDlg(WPARAM wParam, LPARAM lParam);

    BEGIN_MESSAGE_MAP(CMainPanelDlg, CDialog)
        ON_WM_ERASEBKGND()
        ON_MESSAGE(WM_CTLCOLORDLG, OnCtlColorDlg)
    END_MESSAGE_MAP()

private:
    CScopedBrush m_brSkin;  // the skin colour, remade when it changes
};
