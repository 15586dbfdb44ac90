// The modeless progress dialog of an upload pass: shows what the batch tells it, reports the
// user's cancel, and runs the end-of-pass summary modally over itself.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "framework/dialog.h"
#include "framework/modal_scope.h"
#include "imaging/gif_player.h"
#include "upload/announcement_pacer.h"
#include "upload/progress_view.h"

class CUploadProgressDlg : public CDialog, public CProgressView {
public:
    // A text line (or the title) is set again at most this often; a change that comes sooner
    // is shown when the time is up. Under Wine setting a text paints it there and then (the
    // title, its frame too), and a pass of small pictures changes three lines a picture,
    // hundreds of times a second: more than anyone reads, and as long as posting the picture.
    static constexpr DWORD kTextGapMs = 50;

    CUploadProgressDlg();

    // Who hears of "取消" and of the close box; may be null (the dialog then only hides).
    void SetCommands(CProgressCommands* pCommands) { m_pCommands = pCommands; }
    // The window that owns the dialog once Open creates it (the panel's).
    void SetOwnerWindow(HWND hOwner) { m_hOwner = hOwner; }
    // The GIF played above the texts during a pass; none when empty.
    void SetAnimationFile(const std::string& strPath) { m_strAnimationFile = strPath; }
    // The player of this window's animation, null before the first picture of a pass.
    const CGifPlayer* Animation() const { return m_pAnim.get(); }
    // Held for each modal loop the dialog runs (the summary, the close box's question): the
    // page may let go of the control while one is up. May be null.
    void SetModalHost(CModalHost* pHost) { m_pModalHost = pHost; }

    bool Open() override;
    void Show() override;
    void SetTexts(const ProgressTexts& texts) override;
    void SetTitle(const std::string& strTitle) override;
    void SetProgressPos(int nPercent) override;
    void StartProgressDisplay() override;
    void SetNote(const std::string& strNote) override;
    void SetTicking(bool bOn) override;
    SummaryChoice ShowSummary(const SummaryRequest& summary) override;
    void AbortSummary() override;
    void Close() override;

    // The folder of the registered control's module file with its trailing backslash, ""
    // when the registration cannot be read.
    static std::string GetControlFolder();

protected:
    BOOL OnInitDialog() override;
    // Enter must not end or cancel anything.
    void OnOK() override {}
    void OnCancel() override;
    LRESULT OnClose(WPARAM wParam, LPARAM lParam);
    LRESULT OnTimer(WPARAM wParam, LPARAM lParam);
    void OnDestroy();

    BEGIN_MESSAGE_MAP(CUploadProgressDlg, CDialog)
        ON_MESSAGE(WM_CLOSE, OnClose)
        ON_MESSAGE(WM_TIMER, OnTimer)
        ON_WM_DESTROY()
    END_MESSAGE_MAP()

private:
    // One of the five text lines, or the title (nID 0): what it is to show, and when it was
    // last set.
    struct TextLine {
        explicit TextLine(int nLineID) : nID(nLineID) {}
        int nID;
        std::string strText;
        DWORD dwSetAt = 0;
        bool bPending = false;
    };
    void SetLine(TextLine& line, const std::string& strText);
    // True when a change may show now, its last one set at dwSetAt; otherwise the text timer
    // is set to show it once its turn comes.
    bool IsDue(DWORD dwSetAt, DWORD dwNow);
    void ApplyLine(TextLine& line);
    // Moves the bar to where it is wanted, if it is not there.
    void ApplyPos(DWORD dwNow);
    // Sets every line whose change waits (bAll: every text line), the title and the bar too.
    void PushTexts(bool bAll);
    // Tells screen readers of a change of the bar or the file line, paced (see the pacers).
    void Announce(CAnnouncementPacer& pacer, DWORD dwEvent, int nID);
    void AnnounceDue();

    CProgressCommands* m_pCommands = nullptr;
    HWND m_hOwner = nullptr;
    std::string m_strAnimationFile;
    CModalHost* m_pModalHost = nullptr;

    std::unique_ptr<CGifPlayer> m_pAnim;
    CWnd m_wndProgress;  // control 211
    TextLine m_lines[5];
    TextLine m_title{0};
    bool m_bTimerSet = false;
    // What the bar shows now, so that an unchanged one is not set again, and where it is
    // wanted: it paints itself whole at each move, so it moves at most every kTextGapMs too.
    int m_nPos = 0;
    int m_nWantedPos = 0;
    DWORD m_dwPosSetAt = 0;
    // The bar's value and the file line's name reach screen readers at most once a second.
    CAnnouncementPacer m_barPacer;
    CAnnouncementPacer m_filePacer;
    std::string m_strNote;
    bool m_bTicking = false;
    bool m_bAnimLoaded = false;
    bool m_bAnimTried = false;  // this window has looked for the animation once

    // Set while ShowSummary waits; AbortSummary turns any answer into Done.
    bool m_bInSummary = false;
    bool m_bSummaryAborted = false;
};
