// The control's whole user interface: a child dialog over the control's client area with the
// space gauge and buttons on top, the folder tree and the thumbnail grid below. It owns the
// pictures of the chosen folder and the page's configuration.
#pragma once
#include "framework/dialog.h"
#include "framework/scoped_handle.h"
#include "imaging/thumbnail_producer.h"
#include "res/resource.h"
#include "ui/panel_layout.h"
#include "ui/shell_tree.h"
#include "ui/skin_button.h"
#include "ui/skin_label.h"
#include "ui/space_account.h"
#include "ui/space_gauge.h"
#include "ui/splitter_bar.h"
#include "ui/thumb_item.h"
#include "ui/thumb_view.h"
#include "upload/upload_batch.h"

#include <memory>
#include <string>
#include <vector>

// Tree to panel (sent, lParam the folder's path) and panel to grid (posted, after a scan).
constexpr UINT WM_PANEL_SCANFOLDER = 0x464;

class CMainPanelDlg : public CDialog {
public:
    CMainPanelDlg();
    ~CMainPanelDlg() override;

    // The page's configuration; the control's property accessors use these directly.
    std::string m_strSignature;
    std::string m_strAlbumName;
    long m_nKXUin = 0;
    long m_nLimitX = 800;
    long m_nLimitY = 600;
    std::string m_strUploadCGI;
    COLORREF m_crSkin;

    // The pictures of the current folder, in the order the folder listing gave them.
    std::vector<std::unique_ptr<ThumbItem>> m_arrItems;
    // Indices of the selected pictures, collected when an upload starts.
    std::vector<int> m_selIndex;
    bool m_bUploading = false;
    CUploadBatch m_uploader;

    void SetTotalSpace(double dKB);
    void SetUsedSpace(double dKB);
    double GetUsedSpace() const { return m_space.GetUsedSpace(); }
    double GetTotalSpace() const { return m_space.GetTotalSpace(); }
    double GetSelectedKB() const { return m_space.GetSelected(); }
    void SetAlbumName(const std::string& strName);
    std::string GetAlbumName() const { return m_strAlbumName; }
    void SetSkinColor(COLORREF cr);
    // Raises the control's UploadFinished through the parent window's object, if any.
    void FireUploadFinished();

    // For the grid.
    ThumbItem* HitTestItem(POINT pt) const;
    void EnsurePrepared(ThumbItem* pItem);
    double ItemUploadKB(ThumbItem* pItem);
    void AddToSelection(double dKB) { m_space.AddSelected(dKB); }
    void RemoveFromSelection(double dKB) { m_space.SubtractSelected(dKB); }
    void UpdateUploadButton();
    void UpdateSpaceLabel();
    void EnableSelectButtons(bool bEnable);
    bool IsAutoCompress() const;

    // For the upload side: the selected indices into m_selIndex; their count.
    int CollectSelection();
    // Decides what is uploaded for a picture; false when it could not be loaded.
    bool PrepareItem(ThumbItem* pItem);

    // Thumbnails of the listed pictures, made on a producer thread; the grid starts it for a
    // new list and takes the finished ones when it paints (true when any arrived).
    void StartThumbnails();
    bool AdoptThumbnails();

    const CSkinLabel& GetSpaceLabel() const { return m_wndSpaceText; }
    const CSpaceGauge& GetGauge() const { return m_wndGauge; }
    CThumbView& GetThumbView() { return m_wndThumbs; }
    HWND GetTreeWindow() const { return m_wndTree.m_hWnd; }
    int GetTreeWidth() const { return m_layout.GetTreeWidth(); }

protected:
    BOOL OnInitDialog() override;
    // Enter and Escape in a child dialog must not destroy the control's interface.
    void OnOK() override {}
    void OnCancel() override {}

    void OnUploadNow();
    void OnSelectAll();
    void OnSelectNone();
    void RecalcSelection();
    void OnSize(UINT nType, int cx, int cy);
    BOOL OnEraseBkgnd(HDC hdc);
    LRESULT OnLButtonUp(WPARAM wParam, LPARAM lParam);
    LRESULT OnShowWindow(WPARAM wParam, LPARAM lParam);
    LRESULT OnScanFolder(WPARAM wParam, LPARAM lParam);
    LRESULT OnSplitMoved(WPARAM wParam, LPARAM lParam);
    void OnDestroy();

    BEGIN_MESSAGE_MAP(CMainPanelDlg, CDialog)
        ON_BN_CLICKED(IDC_UPLOAD_NOW, OnUploadNow)
        ON_BN_CLICKED(IDC_AUTO_COMPRESS, RecalcSelection)
        ON_BN_CLICKED(IDC_SELECT_ALL, OnSelectAll)
        ON_BN_CLICKED(IDC_SELECT_NONE, OnSelectNone)
        ON_WM_SIZE()
        ON_WM_ERASEBKGND()
        ON_MESSAGE(WM_LBUTTONUP, OnLButtonUp)
        ON_MESSAGE(WM_SHOWWINDOW, OnShowWindow)
        ON_MESSAGE(WM_PANEL_SCANFOLDER, OnScanFolder)
        ON_MESSAGE(WM_PANEL_SPLITMOVED, OnSplitMoved)
        ON_WM_DESTROY()
    END_MESSAGE_MAP()

private:
    void RecalcLayout(int nDelta);
    PanelMeasures Measure() const;
    void ScanFolder(const std::string& strFolder);
    void DestroyItems();
    void EnableButton(int nID, bool bEnable);

    CThumbnailProducer m_producer;
    CSpaceAccount m_space;
    CPanelLayout m_layout;
    CThumbView m_wndThumbs;
    CSplitterBar m_wndSplitter;
    CScopedFont m_fontHint;
    CSkinButton m_btnSelectNone;
    CSkinButton m_btnSelectAll;
    CSkinButton m_btnUpload;
    CShellTree m_wndTree;
    CSpaceGauge m_wndGauge;
    CSkinLabel m_wndSpaceText;
    CSkinLabel m_wndSpaceCaption;
    CSkinLabel m_wndCompressLabel;
    RECT m_rcCompressLabel{};
    // The background is painted through a screen-sized bitmap made once.
    CScopedMemoryDC m_dcBack;
    CScopedBitmap m_bmpBack;
    HGDIOBJ m_hOldBackBitmap = nullptr;
};
