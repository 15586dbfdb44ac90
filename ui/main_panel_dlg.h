// The control's whole user interface: a child dialog over the control's client area with the
// space gauge and buttons on top, the folder tree and the thumbnail grid below. It owns the
// pictures of the chosen folder and the page's configuration.
#pragma once
#include "framework/com_ptr.h"
#include "framework/dialog.h"
#include "framework/gdi.h"
#include "framework/modal_scope.h"
#include "imaging/prepare_workers.h"
#include "res/resource.h"
#include "ui/drop_target.h"
#include "ui/panel_layout.h"
#include "ui/shell_tree.h"
#include "ui/skin_button.h"
#include "ui/skin_label.h"
#include "ui/space_account.h"
#include "ui/space_gauge.h"
#include "ui/splitter_bar.h"
#include "ui/thumb_item.h"
#include "ui/thumb_view.h"
#include "ui/window_back_buffer.h"
#include "upload/upload_panel.h"
#include "upload/uploader.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CMainPanelDlg : public CDialog, public CUploadPanel, public CThumbGridOwner, public CDropTargetOwner {
public:
    CMainPanelDlg();

    // The page's configuration, as the control's properties set it.
    void SetSignature(const std::string& str) { m_strSignature = str; }
    const std::string& GetSignature() const { return m_strSignature; }
    void SetKXUin(long n) { m_nKXUin = n; }
    long GetKXUin() const { return m_nKXUin; }
    void SetLimitX(long n) { m_nLimitX = n; }
    long GetLimitX() const { return m_nLimitX; }
    void SetLimitY(long n) { m_nLimitY = n; }
    long GetLimitY() const { return m_nLimitY; }
    void SetUploadCGI(const std::string& str) { m_strUploadCGI = str; }
    const std::string& GetUploadCGI() const { return m_strUploadCGI; }
    void SetTotalSpace(double dKB);
    void SetUsedSpace(double dKB) override;
    double GetUsedSpace() const override { return m_space.GetUsedSpace(); }
    double GetTotalSpace() const { return m_space.GetTotalSpace(); }
    double GetSelectedKB() const { return m_space.GetSelected(); }
    void SetAlbumName(const std::string& strName);
    const std::string& GetAlbumName() const { return m_strAlbumName; }
    void SetSkinColor(COLORREF cr);
    COLORREF GetSkinColor() const { return m_crSkin; }
    // What the panel calls when a batch is over; the control fires its event there.
    void SetUploadFinishedHandler(std::function<void()> onFinished) { m_onUploadFinished = std::move(onFinished); }

    // The pictures of the current folder, in the order the folder listing gave them; their
    // names at the same indices.
    const std::vector<std::unique_ptr<ThumbItem>>& GetItems() const { return m_arrItems; }
    std::string GetPicturePath(std::size_t nIndex) const { return m_pNames->GetPath(nIndex); }
    CUploader& GetUploader() { return m_uploader; }
    // Who is held, and tells its container, while any box of the panel or of its passes is up.
    void SetModalHost(CModalHost* pHost) {
        m_pModalHost = pHost;
        m_uploader.SetModalHost(pHost);
    }

    // For the grid.
    std::size_t GetPictureCount() const override { return m_arrItems.size(); }
    std::string_view GetPictureName(std::size_t nIndex) const override { return m_pNames->GetName(nIndex); }
    std::shared_ptr<const CPictureNames> GetPictureNames() const override { return m_pNames; }
    bool IsPictureSelected(std::size_t nIndex) const override { return m_arrItems[nIndex]->bSelected; }
    // Toggles the picture's selection, preparing it for upload when it is chosen.
    void OnPictureClicked(std::size_t nIndex) override;
    // Opens the picture in the program the system associates with it.
    void OnPictureDoubleClicked(std::size_t nIndex) override;
    void OnPicturesShown() override;
    void OnAllPicturesChosen() override;
    // The panel's keyboard interface (Tab between its parts, the grid's keys) for a key
    // message the container hands the control before dispatching it; true when it was used.
    bool TranslateKey(MSG* pMsg);

    // For the picture at nIndex. ItemUploadKB starts its preparation when it needs one
    // (EnsurePrepared) and counts it with its file's size until the copy is in.
    void EnsurePrepared(std::size_t nIndex);
    double ItemUploadKB(std::size_t nIndex);
    void UpdateUploadButton();
    void UpdateSpaceLabel() override;
    bool IsAutoCompress() const;

    // Files and folders dropped on the tree or the grid, by OLE or by WM_DROPFILES: refused
    // during a pass and when nothing in them is usable.
    bool CanTakeDrop(const std::vector<DroppedItem>& arrItems) const override;
    void OnFilesDropped(const std::vector<DroppedItem>& arrItems) override;
    IDropTarget* GetDropTarget() const { return m_pDropTarget.Get(); }
    std::string GetHintText() const;

    // The selected indices into the upload queue (m_selIndex); their count.
    int CollectSelection();
    // Shows the folder's pictures, the tree walked to it, with the named ones chosen as clicks
    // would choose them (names compared without regard to case, as the file system does): a
    // drop and a resumed batch both open their folder here. For each name its picture's
    // index, or -1 when the folder holds no such picture.
    std::vector<int> OpenFolderWith(const std::string& strFolder, const std::vector<std::string>& arrNames);
    // What "立即上传" does; a resumed batch brings notes for its first summary.
    void UploadSelection(PassNotes notes);

    // For the upload batch.
    bool GetUploadSource(int nIndex, UploadSource& source) const override;
    std::vector<int>& UploadQueue() override { return m_selIndex; }
    UploadSettings GetUploadSettings() const override;
    void EnableInput(bool bEnable) override;
    void FireUploadFinished() override;
    // Hands the picture at nIndex to the preparation workers, which decide what is uploaded
    // for it; OnPrepared adopts what they made.
    void PrepareItem(std::size_t nIndex);
    // True while the box is checked and a selected picture is still being prepared.
    bool IsAnyPreparing() const;

    const CSkinLabel& GetSpaceLabel() const { return m_wndSpaceText; }
    CThumbView& GetThumbView() { return m_wndThumbs; }
    HWND GetTreeWindow() const { return m_wndTree.m_hWnd; }
    const CSplitterBar& GetSplitter() const { return m_wndSplitter; }
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
    // The selection becomes these pictures, each prepared and counted as a click would (its
    // fractions kept); the others are not selected already (the list is fresh, or all of it).
    void SelectPictures(const std::vector<std::size_t>& arrIndices);
    void OnSize(UINT nType, int cx, int cy);
    BOOL OnEraseBkgnd(HDC hdc);
    LRESULT OnLButtonUp(WPARAM wParam, LPARAM lParam);
    LRESULT OnShowWindow(WPARAM wParam, LPARAM lParam);
    LRESULT OnScanFolder(WPARAM wParam, LPARAM lParam);
    LRESULT OnSplitMoved(WPARAM wParam, LPARAM lParam);
    LRESULT OnPrepared(WPARAM wParam, LPARAM lParam);
    LRESULT OnJournalWritten(WPARAM wParam, LPARAM lParam);
    LRESULT OnDropFiles(WPARAM wParam, LPARAM lParam);
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
        ON_MESSAGE(WM_PANEL_PREPARED, OnPrepared)
        ON_MESSAGE(WM_PANEL_JOURNAL_WRITTEN, OnJournalWritten)
        ON_MESSAGE(WM_DROPFILES, OnDropFiles)
        ON_WM_DESTROY()
    END_MESSAGE_MAP()

private:
    void RecalcLayout(int nDelta);
    PanelMeasures Measure() const;
    void ScanFolder(const std::string& strFolder);
    void DestroyItems();
    // Stops every preparation (their copies deleted) and any upload waiting for them.
    void StopPreparing();
    void EndPreparingWait();
    // The quota check on the marked pictures' sizes, then the batch.
    void StartUpload(PassNotes notes);
    void EnableButton(int nID, bool bEnable);
    void EnableSelectButtons(bool bEnable);
    void SetTabOrder();
    void AcceptDrops();
    void SetHint(const std::string& strHint);

    std::string m_strSignature;
    std::string m_strAlbumName;
    long m_nKXUin = 0;
    long m_nLimitX = 800;
    long m_nLimitY = 600;
    std::string m_strUploadCGI;
    COLORREF m_crSkin;
    std::function<void()> m_onUploadFinished;

    std::vector<std::unique_ptr<ThumbItem>> m_arrItems;
    // The items' names, shared with the grid's thumbnail producer; null while there are none.
    std::shared_ptr<const CPictureNames> m_pNames;
    // The hint's own text, which a drop's note replaces until the next folder.
    std::string m_strHint;
    CComPtrT<CDropTarget> m_pDropTarget;
    // The upload queue: indices of the selected pictures, collected when an upload starts.
    std::vector<int> m_selIndex;
    // After the pictures: it goes first, so no job outlives the files it reads.
    CUploader m_uploader;
    // Likewise: stopped before the pictures go.
    CPrepareWorkers m_workers;
    // A resumed batch's notes while its pictures are being prepared.
    PassNotes m_waitingNotes;
    CModalHost* m_pModalHost = nullptr;

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
    // The background's margins are painted through it.
    CWindowBackBuffer m_back;
};
