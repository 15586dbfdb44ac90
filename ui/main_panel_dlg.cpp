#include "ui/main_panel_dlg.h"

#include "framework/text.h"
#include "imaging/picture_file.h"
#include "base/mbcs_text.h"
#include "imaging/prepare_picture.h"
#include "res/resource.h"
#include "ui/selection_sizes.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <limits>
#include <numeric>
#include <unordered_map>

namespace {

RECT ToRect(const PixelRect& rc) { return RECT{rc.left, rc.top, rc.right, rc.bottom}; }
PixelRect ToPixelRect(const RECT& rc) { return PixelRect{rc.left, rc.top, rc.right, rc.bottom}; }

// A child's rectangle in its parent's client coordinates.
RECT ChildRect(HWND hChild) {
    RECT rc{};
    GetWindowRect(hChild, &rc);
    MapWindowPoints(nullptr, GetParent(hChild), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

void Place(HWND hWnd, const PixelRect& rc) {
    if (hWnd) MoveWindow(hWnd, rc.left, rc.top, rc.Width(), rc.Height(), TRUE);
}

ItemSizes SizesOf(const ThumbItem& item) {
    return ItemSizes{item.nFileSize, item.nUploadSize, item.bKeptAsIs, item.bPreparing};
}

std::string WindowText(HWND hWnd) {
    std::string text(static_cast<std::size_t>(std::max(GetWindowTextLengthA(hWnd), 0)), '\0');
    if (!text.empty())
        text.resize(static_cast<std::size_t>(GetWindowTextA(hWnd, text.data(), static_cast<int>(text.size() + 1))));
    return text;
}

// The height a static control's text takes when broken at nWidth, in the control's font.
int TextHeight(HWND hStatic, int nWidth) {
    if (!hStatic) return 0;
    const std::string text = WindowText(hStatic);
    CWindowDC dc(hStatic);
    CScopedSelect font(dc.Get(), reinterpret_cast<HGDIOBJ>(::SendMessageA(hStatic, WM_GETFONT, 0, 0)));
    RECT rc{0, 0, nWidth, 0};
    DrawTextA(dc.Get(), text.c_str(), static_cast<int>(text.size()), &rc, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
    return rc.bottom - rc.top;
}

// A file name as the file system compares it: without regard to case.
std::string FoldCase(std::string_view strName) {
    std::string folded(strName);
    if (!folded.empty()) CharLowerBuffA(folded.data(), static_cast<DWORD>(folded.size()));
    return folded;
}

std::uint32_t FileSizeOf(const WIN32_FIND_DATAA& data) {
    return data.nFileSizeHigh ? std::numeric_limits<std::uint32_t>::max() : data.nFileSizeLow;
}

}  // namespace

CMainPanelDlg::CMainPanelDlg() : CDialog(IDD_MAIN_PANEL), m_crSkin(GetSysColor(COLOR_BTNFACE)) {}

BOOL CMainPanelDlg::OnInitDialog() {
    m_btnSelectNone.Attach(IDC_SELECT_NONE, this);
    m_btnSelectAll.Attach(IDC_SELECT_ALL, this);
    m_btnUpload.Attach(IDC_UPLOAD_NOW, this);

    // The dialog manager scaled the template with its font; what is laid out in pixels
    // here scales with the screen's dpi.
    m_layout = CPanelLayout(ScreenDpiScale());
    const CDpiScale& scale = m_layout.GetScale();
    // The template's places of the pieces that keep them, read once before any layout.
    PanelTemplate tpl;
    tpl.nUploadTop = ChildRect(GetDlgItem(IDC_UPLOAD_NOW)).top;
    tpl.rcCompressLabel = ToPixelRect(ChildRect(GetDlgItem(IDC_COMPRESS_LABEL)));
    tpl.rcCompressBox = ToPixelRect(ChildRect(GetDlgItem(IDC_AUTO_COMPRESS)));
    m_layout.SetTemplate(tpl);

    m_wndTree.CreateEx(WS_EX_CLIENTEDGE, "SysTreeView32", "ShellTree Control",
                       WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT, RECT{},
                       m_hWnd, 0);
    m_wndTree.InitRoot();
    SetFocus(m_wndTree.m_hWnd);
    m_wndTree.m_bShowLoading = 1;
    m_wndThumbs.Create(this, 1, this);
    if (m_wndSplitter.Create(this, 3)) {
        m_wndSplitter.m_crColor = m_crSkin;
        m_wndSplitter.m_nLeftLimit = scale.Scale(CPanelLayout::kSplitterLeftLimit);
        m_wndSplitter.m_nRightLimit = scale.Scale(CPanelLayout::kSplitterRightLimit);
    }
    LPCSTR gaugeClass = RegisterWndClass(0);
    if (gaugeClass) m_wndGauge.CreateEx(0, gaugeClass, "", WS_CHILD | WS_VISIBLE, RECT{}, m_hWnd, 2);
    m_uploader.Attach(this, m_hWnd, WM_PANEL_JOURNAL_WRITTEN);
    m_workers.SetNotify(m_hWnd, WM_PANEL_PREPARED);

    Button_SetCheck(GetDlgItem(IDC_AUTO_COMPRESS), BST_CHECKED);

    m_wndSpaceCaption.SubclassDlgItem(IDC_SPACE_CAPTION, this);
    m_wndSpaceCaption.SetBkColor(m_crSkin);
    m_wndSpaceCaption.CreateLabelFont(scale);
    m_wndSpaceCaption.SetText(LoadResString(IDS_SPACE_CAPTION));
    m_wndCompressLabel.SubclassDlgItem(IDC_COMPRESS_LABEL, this);
    m_wndCompressLabel.SetBkColor(m_crSkin);
    m_wndCompressLabel.CreateLabelFont(scale);
    m_wndCompressLabel.SetText(LoadResString(IDS_AUTO_COMPRESS));
    m_wndSpaceText.SubclassDlgItem(IDC_SPACE_TEXT, this);
    m_wndSpaceText.SetBkColor(m_crSkin);
    m_wndSpaceText.CreateLabelFont(scale);
    UpdateSpaceLabel();

    LOGFONTA lf{};
    lf.lfHeight = -MulDiv(9, GetDeviceCaps(CWindowDC(GetDesktopWindow()).Get(), LOGPIXELSY), 72);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(lf.lfFaceName, LoadResString(IDS_FONT_NAME).c_str(), LF_FACESIZE);
    m_fontHint.Reset(CreateFontIndirectA(&lf));
    ::SendMessageA(GetDlgItem(IDC_HINT), WM_SETFONT, reinterpret_cast<WPARAM>(m_fontHint.Get()), TRUE);

    m_btnSelectAll.SetBitmaps(IDB_SELECT_ALL_NORMAL, IDB_SELECT_ALL_PRESSED, IDB_SELECT_ALL_PRESSED,
                              IDB_SELECT_ALL_DISABLED);
    m_btnSelectNone.SetBitmaps(IDB_SELECT_NONE_NORMAL, IDB_SELECT_NONE_PRESSED, IDB_SELECT_NONE_PRESSED,
                               IDB_SELECT_NONE_DISABLED);
    m_btnUpload.SetBitmaps(IDB_UPLOAD_NORMAL, IDB_UPLOAD_PRESSED, IDB_UPLOAD_PRESSED, IDB_UPLOAD_DISABLED);
    // The faces' inks: light on the blue primary face, dark on the pale ones, grey disabled.
    const COLORREF crDisabledText = RGB(0x9c, 0x9c, 0x9c);
    m_btnUpload.SetTextColors(RGB(0xff, 0xff, 0xff), crDisabledText);
    m_btnSelectAll.SetTextColors(RGB(0x1f, 0x2b, 0x3a), crDisabledText);
    m_btnSelectNone.SetTextColors(RGB(0x1f, 0x2b, 0x3a), crDisabledText);
    EnableButton(IDC_SELECT_ALL, false);
    EnableButton(IDC_SELECT_NONE, false);
    EnableButton(IDC_UPLOAD_NOW, false);

    if (!m_strAlbumName.empty()) SetWindowText(m_strAlbumName);
    SetTabOrder();
    m_strHint = GetHintText();
    AcceptDrops();
    RecalcLayout(0);
    return TRUE;
}

void CMainPanelDlg::OnDestroy() {
    if (m_pDropTarget) {
        RevokeDragDrop(m_hWnd);
        m_pDropTarget->Detach();
        m_pDropTarget.Release();
    }
    m_uploader.Abort();
    // What the batch left for a later page reaches the disk before the window goes.
    m_uploader.Detach();
    // The workers end with the window; one made again starts them afresh.
    m_workers.Stop();
    DestroyItems();
    m_back.Reset();
    DefWindowProc(WM_DESTROY, 0, 0);
}

void CMainPanelDlg::SetTabOrder() {
    // Tab follows the windows' order. The tree and the grid, made after the template's
    // controls, follow each other already; the check box and the buttons go after them, left
    // to right. The grid keeps its place under the other controls, which it does not cover.
    HWND hAfter = m_wndThumbs.m_hWnd;
    for (int nID : {IDC_AUTO_COMPRESS, IDC_SELECT_ALL, IDC_SELECT_NONE, IDC_UPLOAD_NOW}) {
        HWND hWnd = GetDlgItem(nID);
        if (!hWnd || !hAfter) continue;
        SetWindowPos(hWnd, hAfter, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        hAfter = hWnd;
    }
}

void CMainPanelDlg::AcceptDrops() {
    // The tree and the grid are the panel's children: a drop on either finds the panel.
    DragAcceptFiles(m_hWnd, TRUE);
    m_pDropTarget.Attach(new CDropTarget(this));
    // Fails on a thread without OLE; the old WM_DROPFILES still comes.
    RegisterDragDrop(m_hWnd, m_pDropTarget.Get());
}

std::string CMainPanelDlg::GetHintText() const { return WindowText(GetDlgItem(IDC_HINT)); }

void CMainPanelDlg::SetHint(const std::string& strHint) {
    if (!m_hWnd || strHint == GetHintText()) return;
    SetDlgItemTextA(m_hWnd, IDC_HINT, strHint.c_str());
    // Another text may take more lines, or fewer.
    RecalcLayout(0);
}

bool CMainPanelDlg::CanTakeDrop(const std::vector<DroppedItem>& arrItems) const {
    return m_hWnd && IsWindowEnabled(m_hWnd) && !m_uploader.IsUploading() &&
           PlanDrop(arrItems, IsAnsiLeadByte).IsUsable();
}

void CMainPanelDlg::OnFilesDropped(const std::vector<DroppedItem>& arrItems) {
    if (!CanTakeDrop(arrItems)) return;
    const DropPlan plan = PlanDrop(arrItems, IsAnsiLeadByte);
    OpenFolderWith(plan.strFolder, plan.arrNames);
    const DropLeftOutTexts texts{LoadResString(IDS_DROP_SEPARATOR), LoadResString(IDS_DROP_NOT_PICTURES),
                                 LoadResString(IDS_DROP_OTHER_FOLDER), LoadResString(IDS_DROP_FOLDERS_LEFT)};
    const std::string strLeftOut = DescribeLeftOut(plan, texts);
    if (!strLeftOut.empty()) SetHint(strLeftOut);
}

LRESULT CMainPanelDlg::OnDropFiles(WPARAM wParam, LPARAM) {
    const auto hDrop = reinterpret_cast<HDROP>(wParam);
    const std::vector<DroppedItem> arrItems = ReadDroppedFiles(hDrop);
    DragFinish(hDrop);
    OnFilesDropped(arrItems);
    return 0;
}

bool CMainPanelDlg::TranslateKey(MSG* pMsg) {
    if (!m_hWnd || !pMsg || pMsg->message < WM_KEYFIRST || pMsg->message > WM_KEYLAST) return false;
    if (pMsg->hwnd != m_hWnd && !IsChild(m_hWnd, pMsg->hwnd)) return false;
    return IsDialogMessageA(m_hWnd, pMsg) != FALSE;
}

void CMainPanelDlg::EnableButton(int nID, bool bEnable) {
    if (HWND h = GetDlgItem(nID)) EnableWindow(h, bEnable);
}

void CMainPanelDlg::EnableSelectButtons(bool bEnable) {
    EnableButton(IDC_SELECT_ALL, bEnable);
    EnableButton(IDC_SELECT_NONE, bEnable);
}

bool CMainPanelDlg::IsAutoCompress() const {
    HWND box = GetDlgItem(IDC_AUTO_COMPRESS);
    // Before the window exists the box is as the template starts it: checked.
    return !box || Button_GetCheck(box) == BST_CHECKED;
}

PanelMeasures CMainPanelDlg::Measure() const {
    PanelMeasures m;
    RECT rc = GetClientRect();
    m.szClient = PixelSize{rc.right - rc.left, rc.bottom - rc.top};
    SIZE caption = m_wndSpaceCaption.GetTextExtent();
    SIZE text = m_wndSpaceText.GetTextExtent();
    m.szSpaceCaption = PixelSize{caption.cx, caption.cy};
    m.szSpaceText = PixelSize{text.cx, text.cy};
    m.nHintHeight = TextHeight(GetDlgItem(IDC_HINT), m_layout.HintWidth(m.szClient.cx));
    return m;
}

void CMainPanelDlg::RecalcLayout(int nDelta) {
    if (!m_hWnd) return;
    PanelPlacement p = m_layout.Recalc(Measure(), nDelta);
    Place(m_wndSpaceCaption.m_hWnd, p.rcSpaceCaption);
    Place(m_wndGauge.m_hWnd, p.rcGauge);
    Place(GetDlgItem(IDC_UPLOAD_NOW), p.rcUpload);
    Place(GetDlgItem(IDC_SELECT_NONE), p.rcSelectNone);
    Place(GetDlgItem(IDC_SELECT_ALL), p.rcSelectAll);
    Place(GetDlgItem(IDC_COMPRESS_LABEL), p.rcCompressLabel);
    m_rcCompressLabel = ToRect(p.rcCompressLabel);
    Place(GetDlgItem(IDC_AUTO_COMPRESS), p.rcCompressBox);
    Place(m_wndSpaceText.m_hWnd, p.rcSpaceText);
    Place(GetDlgItem(IDC_HINT), p.rcHint);
    Place(m_wndTree.m_hWnd, p.rcTree);
    Place(m_wndSplitter.m_hWnd, p.rcSplitter);
    Place(m_wndThumbs.m_hWnd, p.rcThumbs);
    m_wndGauge.Redraw(m_space);
}

void CMainPanelDlg::OnSize(UINT nType, int cx, int cy) {
    DefWindowProc(WM_SIZE, nType, MAKELPARAM(cx, cy));
    RecalcLayout(0);
}

LRESULT CMainPanelDlg::OnSplitMoved(WPARAM, LPARAM lParam) {
    RecalcLayout(static_cast<int>(lParam));
    return 0;
}

BOOL CMainPanelDlg::OnEraseBkgnd(HDC hdc) {
    const PanelMeasures measures = Measure();
    HDC back = m_back.Cover(m_hWnd, measures.szClient.cx, measures.szClient.cy);
    if (!back) return TRUE;
    PanelPlacement p = m_layout.Place(measures);
    for (const PixelRect& band : {p.rcTopBand, p.rcLeftMargin, p.rcRightMargin, p.rcBottomBand}) {
        if (band.IsEmpty()) continue;
        RECT rc = ToRect(band);
        FillSolidRect(back, rc, m_crSkin);
        BitBlt(hdc, rc.left, rc.top, band.Width(), band.Height(), back, rc.left, rc.top, SRCCOPY);
    }
    return TRUE;
}

LRESULT CMainPanelDlg::OnLButtonUp(WPARAM wParam, LPARAM lParam) {
    POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (PtInRect(&m_rcCompressLabel, pt)) {
        HWND box = GetDlgItem(IDC_AUTO_COMPRESS);
        Button_SetCheck(box, Button_GetCheck(box) == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
        RecalcSelection();
    }
    return DefWindowProc(WM_LBUTTONUP, wParam, lParam);
}

LRESULT CMainPanelDlg::OnShowWindow(WPARAM wParam, LPARAM lParam) {
    LRESULT result = DefWindowProc(WM_SHOWWINDOW, wParam, lParam);
    UpdateSpaceLabel();
    return result;
}

void CMainPanelDlg::SetTotalSpace(double dKB) {
    if (m_space.SetTotalSpace(dKB)) UpdateSpaceLabel();
}

void CMainPanelDlg::SetUsedSpace(double dKB) {
    if (m_space.SetUsedSpace(dKB)) UpdateSpaceLabel();
}

void CMainPanelDlg::SetAlbumName(const std::string& strName) {
    m_strAlbumName = strName;
    if (m_hWnd) SetWindowText(m_strAlbumName);
}

void CMainPanelDlg::SetSkinColor(COLORREF cr) {
    m_crSkin = cr;
    m_wndSpaceText.SetBkColor(cr);
    m_wndSpaceCaption.SetBkColor(cr);
    m_wndCompressLabel.SetBkColor(cr);
    if (m_hWnd) {
        Invalidate(TRUE);
        // The labels paint their own background: they follow at once, not at their next change.
        for (CWnd* label : {static_cast<CWnd*>(&m_wndSpaceText), static_cast<CWnd*>(&m_wndSpaceCaption),
                            static_cast<CWnd*>(&m_wndCompressLabel)})
            if (label->m_hWnd) label->Invalidate(TRUE);
    }
}

void CMainPanelDlg::FireUploadFinished() {
    if (m_onUploadFinished) m_onUploadFinished();
}

bool CMainPanelDlg::GetUploadSource(int nIndex, UploadSource& source) const {
    if (nIndex < 0 || static_cast<size_t>(nIndex) >= m_arrItems.size()) return false;
    const auto nItem = static_cast<std::size_t>(nIndex);
    const ThumbItem& item = *m_arrItems[nItem];
    source.strPath = GetPicturePath(nItem);
    source.strUploadPath = item.bKeptAsIs ? source.strPath : item.uploadCopy.GetPath();
    source.strCaption = GetPictureName(nItem);
    source.nFileSize = item.nFileSize;
    source.nUploadSize = item.nUploadSize;
    source.bKeptAsIs = item.bKeptAsIs;
    return true;
}

UploadSettings CMainPanelDlg::GetUploadSettings() const {
    UploadSettings settings;
    settings.strSignature = m_strSignature;
    settings.strAlbumName = m_strAlbumName;
    settings.strUploadCGI = m_strUploadCGI;
    settings.nKXUin = m_nKXUin;
    settings.bAutoCompress = IsAutoCompress();
    return settings;
}

void CMainPanelDlg::EnableInput(bool bEnable) {
    if (m_hWnd) EnableWindow(m_hWnd, bEnable);
}

void CMainPanelDlg::UpdateSpaceLabel() {
    if (m_wndGauge.m_hWnd) {
        m_wndGauge.Redraw(m_space);
    }
    std::string strText = m_space.FormatText(LoadResString(IDS_SPACE_TEXT));
    if (IsAnyPreparing()) strText += LoadResString(IDS_SPACE_PENDING);
    m_wndSpaceText.SetText(strText);
    // The gauge is named by what it measures.
    if (m_wndGauge.m_hWnd) m_wndGauge.SetWindowText(strText);
    if (!m_wndSpaceText.m_hWnd) return;
    // A text longer than the label was placed for (the note of pictures still being
    // prepared, say) gets its room rather than losing its end.
    if (m_wndSpaceText.GetTextExtent().cx > m_wndSpaceText.GetClientRect().right) RecalcLayout(0);
    m_wndSpaceText.Invalidate(TRUE);
}

void CMainPanelDlg::UpdateUploadButton() {
    bool bAny = false;
    for (const auto& item : m_arrItems) bAny = bAny || item->bSelected;
    EnableButton(IDC_UPLOAD_NOW, bAny);
}

void CMainPanelDlg::OnPictureClicked(std::size_t nIndex) {
    ThumbItem& item = *m_arrItems[nIndex];
    if (item.bSelected) {
        item.bSelected = false;
        UpdateUploadButton();
        // What the click once added; a preparation under way is no longer wanted.
        m_space.SubtractSelected(::ItemUploadKB(SizesOf(item), IsAutoCompress()));
        if (item.bPreparing) {
            m_workers.Cancel(nIndex);
            item.bPreparing = false;
        }
    } else {
        item.bSelected = true;
        UpdateUploadButton();
        m_space.AddSelected(ItemUploadKB(nIndex));
    }
    UpdateSpaceLabel();
    Invalidate(TRUE);
}

void CMainPanelDlg::OnPictureDoubleClicked(std::size_t nIndex) {
    ShellExecuteA(nullptr, "Open", GetPicturePath(nIndex).c_str(), nullptr, nullptr, SW_SHOW);
}

void CMainPanelDlg::OnAllPicturesChosen() {
    if (IsWindowEnabled(GetDlgItem(IDC_SELECT_ALL))) OnSelectAll();
}

void CMainPanelDlg::OnPicturesShown() {
    m_space.SetSelected(0);
    UpdateSpaceLabel();
    EnableSelectButtons(!m_arrItems.empty());
}

void CMainPanelDlg::PrepareItem(std::size_t nIndex) {
    if (nIndex >= m_arrItems.size() || !m_hWnd) return;
    ThumbItem& item = *m_arrItems[nIndex];
    // Whatever an earlier preparation left (an empty copy, say) goes first.
    item.ForgetUpload();
    item.bPreparing = true;
    m_workers.Prepare(nIndex, GetPicturePath(nIndex), item.nType, static_cast<int>(m_nLimitX),
                      static_cast<int>(m_nLimitY));
}

bool CMainPanelDlg::IsAnyPreparing() const {
    // With the box clear the pictures' own files go: no copy is waited for.
    if (!IsAutoCompress()) return false;
    for (const auto& item : m_arrItems)
        if (item->bSelected && item->bPreparing) return true;
    return false;
}

LRESULT CMainPanelDlg::OnPrepared(WPARAM, LPARAM) {
    const bool bAuto = IsAutoCompress();
    const std::size_t nTaken = m_workers.TakeResults([&](std::size_t nIndex, CPreparedUpload& prepared) {
        // A result for a list gone since is let go with its copy.
        if (nIndex >= m_arrItems.size() || !m_arrItems[nIndex]->bPreparing) return;
        ThumbItem& item = *m_arrItems[nIndex];
        const double dCountedKB = ::ItemUploadKB(SizesOf(item), bAuto);
        item.bPreparing = false;
        if (!prepared.strUploadPath.empty()) {
            item.bKeptAsIs = prepared.bKeptAsIs;
            item.nUploadSize = prepared.nUploadSize;
            // The record deletes its copy when it goes.
            item.uploadCopy = std::move(prepared.fileCopy);
            if (item.bKeptAsIs && item.nFileSize == 0) item.nFileSize = prepared.nUploadSize;
        }
        if (item.bSelected) {
            m_space.SubtractSelected(dCountedKB);
            m_space.AddSelected(::ItemUploadKB(SizesOf(item), bAuto));
        }
    });
    if (nTaken == 0) return 0;
    UpdateSpaceLabel();
    if (m_uploader.IsPreparingWait() && !IsAnyPreparing()) {
        EndPreparingWait();
        StartUpload(std::move(m_waitingNotes));
    }
    return 0;
}

LRESULT CMainPanelDlg::OnJournalWritten(WPARAM, LPARAM) {
    m_uploader.OnJournalWritten();
    return 0;
}

void CMainPanelDlg::StopPreparing() {
    m_workers.CancelAll();
    for (const auto& item : m_arrItems) item->bPreparing = false;
    if (m_uploader.IsPreparingWait()) EndPreparingWait();
}

void CMainPanelDlg::EndPreparingWait() {
    m_uploader.EndPreparingWait();
    EnableInput(true);
}

void CMainPanelDlg::EnsurePrepared(std::size_t nIndex) {
    if (nIndex < m_arrItems.size() && NeedsPreparing(SizesOf(*m_arrItems[nIndex]), IsAutoCompress()))
        PrepareItem(nIndex);
}

double CMainPanelDlg::ItemUploadKB(std::size_t nIndex) {
    if (nIndex >= m_arrItems.size()) return 0;
    EnsurePrepared(nIndex);
    return ::ItemUploadKB(SizesOf(*m_arrItems[nIndex]), IsAutoCompress());
}

void CMainPanelDlg::RecalcSelection() {
    const bool bAuto = IsAutoCompress();
    std::vector<ItemSizes> arrSelected;
    for (std::size_t i = 0; i < m_arrItems.size(); ++i) {
        const ThumbItem& item = *m_arrItems[i];
        if (!item.bSelected) continue;
        if (NeedsPreparing(SizesOf(item), bAuto)) PrepareItem(i);
        arrSelected.push_back(SizesOf(item));
    }
    m_space.SetSelected(RecountSelectionKB(arrSelected, bAuto));
    UpdateSpaceLabel();
    Invalidate(TRUE);
}

void CMainPanelDlg::OnSelectAll() {
    std::vector<std::size_t> arrAll(m_arrItems.size());
    std::iota(arrAll.begin(), arrAll.end(), std::size_t{0});
    SelectPictures(arrAll);
    if (m_wndThumbs.m_hWnd) SetFocus(m_wndThumbs.m_hWnd);
}

void CMainPanelDlg::SelectPictures(const std::vector<std::size_t>& arrIndices) {
    m_space.SetSelected(0);
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    // The box is asked once: asking is a message to it.
    const bool bAuto = IsAutoCompress();
    for (std::size_t i : arrIndices) {
        ThumbItem& item = *m_arrItems[i];
        item.bSelected = true;
        if (NeedsPreparing(SizesOf(item), bAuto)) PrepareItem(i);
        m_space.AddSelected(::ItemUploadKB(SizesOf(item), bAuto));
    }
    SetCursor(previous);
    UpdateUploadButton();
    UpdateSpaceLabel();
    if (m_wndThumbs.m_hWnd) {
        m_wndThumbs.RepaintAll();
        m_wndThumbs.NotifySelectionChanged();
    }
    Invalidate(TRUE);
}

void CMainPanelDlg::OnSelectNone() {
    for (const auto& item : m_arrItems) item->bSelected = false;
    StopPreparing();
    EnableButton(IDC_UPLOAD_NOW, false);
    m_space.SetSelected(0);
    UpdateSpaceLabel();
    if (m_wndThumbs.m_hWnd) {
        SetFocus(m_wndThumbs.m_hWnd);
        m_wndThumbs.RepaintAll();
        m_wndThumbs.NotifySelectionChanged();
    }
    Invalidate(TRUE);
}

int CMainPanelDlg::CollectSelection() {
    m_selIndex.clear();
    for (size_t i = 0; i < m_arrItems.size(); ++i)
        if (m_arrItems[i]->bSelected) m_selIndex.push_back(static_cast<int>(i));
    return static_cast<int>(m_selIndex.size());
}

void CMainPanelDlg::OnUploadNow() { UploadSelection(PassNotes{}); }

std::vector<int> CMainPanelDlg::OpenFolderWith(const std::string& strFolder, const std::vector<std::string>& arrNames) {
    OnScanFolder(0, reinterpret_cast<LPARAM>(strFolder.c_str()));
    m_wndTree.ShowFolder(strFolder);
    // The grid takes its new list now: taking it later would zero the figure of the
    // selection made here.
    MSG msg;
    if (m_wndThumbs.m_hWnd && PeekMessageA(&msg, m_wndThumbs.m_hWnd, WM_THUMBS_NEWLIST, WM_THUMBS_NEWLIST, PM_REMOVE))
        DispatchMessageA(&msg);
    std::unordered_map<std::string, int> indexOf;
    for (std::size_t i = 0; i < m_arrItems.size(); ++i)
        indexOf.emplace(FoldCase(GetPictureName(i)), static_cast<int>(i));
    std::vector<int> arrFound;
    std::vector<std::size_t> arrChosen;
    std::vector<bool> arrIsChosen(m_arrItems.size());
    for (const std::string& strName : arrNames) {
        const auto it = indexOf.find(FoldCase(strName));
        arrFound.push_back(it == indexOf.end() ? -1 : it->second);
        if (it == indexOf.end()) continue;
        const auto nIndex = static_cast<std::size_t>(it->second);
        // A name given twice chooses its picture once.
        if (!arrIsChosen[nIndex]) arrChosen.push_back(nIndex);
        arrIsChosen[nIndex] = true;
    }
    if (!arrChosen.empty()) SelectPictures(arrChosen);
    return arrFound;
}

void CMainPanelDlg::UploadSelection(PassNotes notes) {
    // The marked pictures not prepared yet are handed to the workers; while any is under way
    // the progress dialog says so, and the upload starts once the last is in (OnPrepared).
    const bool bAuto = IsAutoCompress();
    for (std::size_t i = 0; i < m_arrItems.size(); ++i)
        if (m_arrItems[i]->bSelected && NeedsPreparing(SizesOf(*m_arrItems[i]), bAuto)) PrepareItem(i);
    if (IsAnyPreparing()) {
        m_waitingNotes = std::move(notes);
        EnableInput(false);
        m_uploader.BeginPreparingWait(LoadResString(IDS_PREPARING_PICTURES), [this] { EndPreparingWait(); });
        return;
    }
    StartUpload(std::move(notes));
}

void CMainPanelDlg::StartUpload(PassNotes notes) {
    // The page may let go of the control while a note is up: the note holds it.
    const auto note = [this](UINT nID) {
        CModalScope modal(m_pModalHost);
        MessageBoxA(m_hWnd, LoadResString(nID).c_str(), LoadResString(IDS_NOTE_CAPTION).c_str(), MB_ICONINFORMATION);
    };
    // The shown figure may differ from the marks (a folder outside the file system zeroes it,
    // a recount after the box changed cuts each picture to whole kilobytes): the check counts
    // the marked pictures themselves, with their fractions, and leaves the text as it is.
    const bool bAuto = IsAutoCompress();
    double dMarkedKB = 0;
    for (const auto& item : m_arrItems)
        if (item->bSelected) dMarkedKB += ::ItemUploadKB(SizesOf(*item), bAuto);
    if (m_space.IsOverQuota(dMarkedKB)) {
        note(IDS_SPACE_FULL);
        return;
    }
    if (CollectSelection() <= 0) {
        note(IDS_NOTHING_SELECTED);
        return;
    }
    m_uploader.StartBatch(std::move(notes));
}

LRESULT CMainPanelDlg::OnScanFolder(WPARAM, LPARAM lParam) {
    std::string strFolder = lParam ? reinterpret_cast<const char*>(lParam) : "";
    SetHint(m_strHint);
    // A running batch reads these pictures: it ends before the list changes.
    if (!strFolder.empty()) m_uploader.Abort();
    StopPreparing();
    m_space.SetSelected(0);
    UpdateSpaceLabel();
    Invalidate(TRUE);
    EnableButton(IDC_SELECT_ALL, false);
    EnableButton(IDC_SELECT_NONE, false);
    EnableButton(IDC_UPLOAD_NOW, false);
    if (strFolder.empty()) return 0;
    ScanFolder(strFolder);
    if (!m_arrItems.empty()) EnableButton(IDC_SELECT_ALL, true);
    if (m_wndThumbs.m_hWnd) m_wndThumbs.PostMessage(WM_THUMBS_NEWLIST, 0, 0);
    return 1;
}

void CMainPanelDlg::ScanFolder(const std::string& strFolder) {
    DestroyItems();
    std::string prefix = strFolder;
    if (!EndsWithBackslash(prefix, IsAnsiLeadByte)) prefix += '\\';
    WIN32_FIND_DATAA data;
    CScopedFind find(FindFirstFileA((prefix + "*.*").c_str(), &data));
    // Gone, unreadable, too long, or named with a '?' for what the code page lacks: an
    // empty folder to the user.
    if (!find) return;
    auto pNames = std::make_shared<CPictureNames>(prefix);
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        PictureType type = ClassifyPictureFile(data.cFileName, IsAnsiLeadByte);
        if (type != PictureType::Gif && type != PictureType::Jpeg) continue;
        auto item = std::make_unique<ThumbItem>(type);
        // Known now from the listing: the selection counts right before thumbnails exist.
        item->nFileSize = FileSizeOf(data);
        m_arrItems.push_back(std::move(item));
        pNames->Add(data.cFileName);
    } while (FindNextFileA(find.Get(), &data));
    m_arrItems.shrink_to_fit();
    pNames->Shrink();
    m_pNames = std::move(pNames);
}

void CMainPanelDlg::DestroyItems() {
    StopPreparing();
    // The grid lets its thumbnails go and stops making them before the items go.
    if (m_wndThumbs.m_hWnd) m_wndThumbs.ForgetPictures();
    m_arrItems.clear();
    m_arrItems.shrink_to_fit();
    m_pNames.reset();
}
