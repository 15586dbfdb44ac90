#include "upload/upload_progress_dlg.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "framework/gdi.h"
#include "framework/ole_registry.h"
#include "framework/scoped_handle.h"
#include "framework/text.h"
#include "base/mbcs_text.h"
#include "res/resource.h"
#include "tessaline_h.h"
#include "upload/upload_result_dlg.h"

namespace {

constexpr UINT_PTR kTextTimer = 1;
// Far from any timer of the dialog's controls; a held announcement's turn is looked for this often.
constexpr UINT_PTR kAnnounceTimer = 0x5A11;
constexpr UINT kAnnounceCheckMs = 250;
// The clock of a pass's notes: a countdown in whole seconds stays within a quarter of one.
constexpr UINT_PTR kTickTimer = 2;
constexpr UINT kTickMs = 250;

struct OwnedDialogs {
    HWND hOwner;
};

// Ends a dialog (message box or result dialog) that this thread shows over hOwner. Through
// EndDialog rather than a command: a Yes/No box has no button for IDCANCEL to press.
BOOL CALLBACK EndOwnedDialog(HWND hWnd, LPARAM lParam) {
    const auto* owned = reinterpret_cast<const OwnedDialogs*>(lParam);
    char szClass[16] = {};
    if (GetWindow(hWnd, GW_OWNER) == owned->hOwner && GetClassNameA(hWnd, szClass, sizeof szClass) &&
        std::strcmp(szClass, "#32770") == 0)
        ::EndDialog(hWnd, IDCANCEL);
    return TRUE;
}

}  // namespace

CUploadProgressDlg::CUploadProgressDlg()
    : CDialog(IDD_UPLOAD_PROGRESS),
      m_lines{TextLine(IDC_PROGRESS_FILE), TextLine(IDC_PROGRESS_REMAINING), TextLine(IDC_PROGRESS_SPEED),
              TextLine(IDC_PROGRESS_COUNT), TextLine(IDC_PROGRESS_BYTES)} {}

void CUploadProgressDlg::OnDestroy() {
    // The player's thread draws into the dialog: it goes while the dialog still exists.
    m_pAnim.reset();
    DefWindowProc(WM_DESTROY, 0, 0);
}

bool CUploadProgressDlg::Open() {
    if (m_hWnd) return true;
    // The window went with its owner, or was never made. A player left from the old window
    // is started over in the new one.
    m_pAnim.reset();
    m_bAnimLoaded = false;
    const INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    return Create(IDD_UPLOAD_PROGRESS, m_hOwner) != FALSE;
}

BOOL CUploadProgressDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_bAnimLoaded = false;
    m_wndProgress.SubclassDlgItem(IDC_PROGRESS_BAR, this);
    m_bAnimTried = false;
    // A new window shows the template's title and an empty bar.
    m_title = TextLine(0);
    m_nPos = m_nWantedPos = 0;
    m_dwPosSetAt = 0;
    // A new window has no timer.
    m_bTimerSet = false;
    m_barPacer.Reset();
    m_filePacer.Reset();
    PushTexts(true);
    m_strNote.clear();
    m_bTicking = false;
    return TRUE;
}

void CUploadProgressDlg::Show() {
    if (!m_hWnd) return;
    ShowWindow(SW_SHOW);
    BringWindowToTop(m_hWnd);
    SetForegroundWindow(m_hWnd);
}

void CUploadProgressDlg::Close() {
    PushTexts(false);
    // Whatever ends the pass (its end, a cancel, a folder change, the control's end): no
    // thread draws into a hidden window until the next picture resumes it.
    if (m_pAnim) m_pAnim->Pause();
    // The framework hides a modeless dialog; the window is kept for the next batch.
    EndDialog(IDOK);
}

void CUploadProgressDlg::SetTexts(const ProgressTexts& texts) {
    SetLine(m_lines[0], texts.strFileName);
    SetLine(m_lines[1], texts.strRemaining);
    SetLine(m_lines[2], texts.strSpeed);
    SetLine(m_lines[3], texts.strCount);
    SetLine(m_lines[4], texts.strBytes);
}

void CUploadProgressDlg::SetLine(TextLine& line, const std::string& strText) {
    // Only a text that changed goes to its control.
    if (line.strText == strText) return;
    line.strText = strText;
    line.bPending = true;
    if (!m_hWnd) return;
    // GetTickCount reads shared memory here, no system call.
    const DWORD dwNow = GetTickCount();
    if (!IsDue(line.dwSetAt, dwNow)) return;
    line.dwSetAt = dwNow;
    ApplyLine(line);
}

bool CUploadProgressDlg::IsDue(DWORD dwSetAt, DWORD dwNow) {
    if (dwNow - dwSetAt >= kTextGapMs) return true;
    if (!m_bTimerSet) m_bTimerSet = ::SetTimer(m_hWnd, kTextTimer, kTextGapMs, nullptr) != 0;
    return false;
}

void CUploadProgressDlg::PushTexts(bool bAll) {
    if (!m_hWnd) return;
    if (m_bTimerSet) ::KillTimer(m_hWnd, kTextTimer);
    m_bTimerSet = false;
    // A new window's first texts are no change: the next one shows at once.
    const DWORD dwNow = GetTickCount();
    for (TextLine& line : m_lines) {
        if (!bAll && line.bPending) line.dwSetAt = dwNow;
        if (bAll || line.bPending) ApplyLine(line);
    }
    if (m_title.bPending) {
        m_title.dwSetAt = dwNow;
        ApplyLine(m_title);
    }
    ApplyPos(dwNow);
}

void CUploadProgressDlg::ApplyPos(DWORD dwNow) {
    if (!m_wndProgress.m_hWnd || m_nWantedPos == m_nPos) return;
    m_nPos = m_nWantedPos;
    m_dwPosSetAt = dwNow;
    m_wndProgress.SendMessage(PBM_SETPOS, static_cast<WPARAM>(m_nPos));
    Announce(m_barPacer, EVENT_OBJECT_VALUECHANGE, IDC_PROGRESS_BAR);
}

void CUploadProgressDlg::ApplyLine(TextLine& line) {
    if (line.nID == 0)
        SetWindowText(line.strText);
    else
        SetDlgItemTextA(m_hWnd, line.nID, line.strText.c_str());
    if (line.bPending && line.nID == IDC_PROGRESS_FILE)
        Announce(m_filePacer, EVENT_OBJECT_NAMECHANGE, IDC_PROGRESS_FILE);
    line.bPending = false;
}

void CUploadProgressDlg::Announce(CAnnouncementPacer& pacer, DWORD dwEvent, int nID) {
    if (!m_hWnd) return;
    if (pacer.Change(GetTickCount()))
        NotifyWinEvent(dwEvent, GetDlgItem(nID), OBJID_CLIENT, CHILDID_SELF);
    else
        SetTimer(m_hWnd, kAnnounceTimer, kAnnounceCheckMs, nullptr);
}

void CUploadProgressDlg::AnnounceDue() {
    const DWORD dwNow = GetTickCount();
    if (m_barPacer.TakeDue(dwNow))
        NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, GetDlgItem(IDC_PROGRESS_BAR), OBJID_CLIENT, CHILDID_SELF);
    if (m_filePacer.TakeDue(dwNow))
        NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, GetDlgItem(IDC_PROGRESS_FILE), OBJID_CLIENT, CHILDID_SELF);
    if (!m_barPacer.IsHolding() && !m_filePacer.IsHolding()) KillTimer(m_hWnd, kAnnounceTimer);
}

LRESULT CUploadProgressDlg::OnTimer(WPARAM wParam, LPARAM lParam) {
    if (wParam == kTextTimer)
        PushTexts(false);
    else if (wParam == kAnnounceTimer)
        AnnounceDue();
    else if (wParam == kTickTimer) {
        if (m_pCommands) m_pCommands->OnTick();
    } else
        return DefWindowProc(WM_TIMER, wParam, lParam);
    return 0;
}

void CUploadProgressDlg::SetTitle(const std::string& strTitle) {
    if (m_hWnd) SetLine(m_title, strTitle);
}

void CUploadProgressDlg::SetProgressPos(int nPercent) {
    m_nWantedPos = std::clamp(nPercent, 0, 100);
    if (!m_wndProgress.m_hWnd || m_nWantedPos == m_nPos) return;
    const DWORD dwNow = GetTickCount();
    if (IsDue(m_dwPosSetAt, dwNow)) ApplyPos(dwNow);
}

void CUploadProgressDlg::StartProgressDisplay() {
    if (m_pAnim && m_pAnim->HasStarted()) {
        // A later picture, or a later pass: the animation goes on where it was paused and
        // the bar stays where it is until the first progress report.
        m_pAnim->Resume();
        return;
    }
    if (m_wndProgress.m_hWnd) {
        m_wndProgress.SendMessage(PBM_SETRANGE, 0, MAKELPARAM(0, 100));
        m_wndProgress.SendMessage(PBM_SETPOS, 0);
        m_nPos = m_nWantedPos = 0;
    }
    // A file that could not be played in this window is not looked for again before every
    // picture: the registry and the disk would be read hundreds of times in a long pass.
    if (m_bAnimTried || m_strAnimationFile.empty()) return;
    m_bAnimTried = true;
    m_pAnim = std::make_unique<CGifPlayer>();
    m_bAnimLoaded = m_pAnim->Load(m_strAnimationFile);
    // In the free band above the texts, as large as the dialog's dpi makes that band.
    if (m_bAnimLoaded) {
        const CDpiScale scale = ScreenDpiScale();
        m_pAnim->Play(m_hWnd, scale.Scale(45), scale.Scale(14), scale.Scale(m_pAnim->ImageWidth()),
                      scale.Scale(m_pAnim->ImageHeight()));
    }
}

void CUploadProgressDlg::SetNote(const std::string& strNote) {
    if (!m_hWnd || strNote == m_strNote) return;
    m_strNote = strNote;
    const HWND hNote = ::GetDlgItem(m_hWnd, IDC_PROGRESS_NOTE);
    ::SetWindowTextA(hNote, m_strNote.c_str());
    ::ShowWindow(hNote, m_strNote.empty() ? SW_HIDE : SW_SHOWNA);
}

void CUploadProgressDlg::SetTicking(bool bOn) {
    if (!m_hWnd || bOn == m_bTicking) return;
    if (bOn) {
        m_bTicking = SetTimer(m_hWnd, kTickTimer, kTickMs, nullptr) != 0;
        return;
    }
    KillTimer(m_hWnd, kTickTimer);
    m_bTicking = false;
}

SummaryChoice CUploadProgressDlg::ShowSummary(const SummaryRequest& summary) {
    // A summary inside a summary (a nested loop ended a pass again) has nobody to answer it.
    // Without a window (it went with its owner, the page is closing) there is nothing to
    // show the summary over, nor anyone to read it.
    if (m_bInSummary || !m_hWnd) return SummaryChoice::Done;
    // The pass's last texts stand under the summary.
    PushTexts(false);
    if (m_bAnimLoaded && m_pAnim) m_pAnim->Pause();
    m_bInSummary = true;
    m_bSummaryAborted = false;

    INT_PTR nResult = IDCANCEL;
    CModalScope modal(m_pModalHost);
    if (!summary.bShowList) {
        MessageBoxA(m_hWnd, summary.strMessage.c_str(), LoadResString(IDS_NOTE_CAPTION).c_str(), MB_ICONINFORMATION);
    } else {
        SetFocus(m_hWnd);
        CUploadResultDlg dlg(summary, this);
        nResult = dlg.DoModal();
    }
    const bool bAborted = m_bSummaryAborted;
    m_bInSummary = false;
    m_bSummaryAborted = false;

    if (bAborted || nResult != IDOK || !summary.bShowList || summary.bCancelMode || !summary.bCanReupload)
        return SummaryChoice::Done;
    return SummaryChoice::Reupload;
}

void CUploadProgressDlg::AbortSummary() {
    if (!m_bInSummary) return;
    m_bSummaryAborted = true;
    if (!m_hWnd) return;
    OwnedDialogs owned{m_hWnd};
    EnumThreadWindows(GetCurrentThreadId(), EndOwnedDialog, reinterpret_cast<LPARAM>(&owned));
}

void CUploadProgressDlg::OnCancel() {
    // The batch decides what a cancel means; with no pass to cancel there is nothing to ask.
    if (m_pCommands && m_pCommands->IsPassRunning())
        m_pCommands->OnCancelRequested();
    else
        Close();
}

LRESULT CUploadProgressDlg::OnClose(WPARAM, LPARAM) {
    if (!m_pCommands || !m_pCommands->IsPassRunning()) {
        Close();
        return 0;
    }
    const HWND hWnd = m_hWnd;
    CModalScope modal(m_pModalHost);
    const int nAnswer = MessageBoxA(hWnd, LoadResString(IDS_CONFIRM_CLOSE).c_str(),
                                    LoadResString(IDS_NOTE_CAPTION).c_str(), MB_YESNO | MB_ICONQUESTION);
    // The box ran a message loop: the pass may have ended, or the window gone with its owner.
    if (nAnswer == IDYES && IsWindow(hWnd) && m_pCommands && m_pCommands->IsPassRunning())
        m_pCommands->OnCancelRequested();
    return 0;
}

std::string CUploadProgressDlg::GetControlFolder() {
    const std::string strKey = "CLSID\\" + GuidToRegistryString(CLSID_TessalineCtrl) + "\\InprocServer32";
    CScopedRegKey key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, strKey.c_str(), 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
        return std::string();
    // The last byte stays 0: a value stored without its terminator still ends in the buffer.
    char szPath[260] = {};
    DWORD cbPath = sizeof szPath - 1;
    DWORD dwType = 0;
    if (RegQueryValueExA(key.Get(), nullptr, nullptr, &dwType, reinterpret_cast<BYTE*>(szPath), &cbPath) !=
            ERROR_SUCCESS ||
        (dwType != REG_SZ && dwType != REG_EXPAND_SZ))
        std::memset(szPath, 0, sizeof szPath);
    const std::string strPath(szPath);
    // Walked by character: in code page 936 a trail byte may be a backslash.
    return strPath.substr(0, strPath.size() - GetFileNamePart(strPath, IsAnsiLeadByte).size());
}
