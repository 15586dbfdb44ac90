// The modeless progress dialog of an upload pass: shows what the batch tells it, reports the
// user's cancel, and runs the end-of-pass summary modally over itself.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "framework/dialog.h"
#include "framework/modal_scope.h"
#include "imaging/gif_player.h"
#include "upload/progress_view.h"

class CUploadProgressDlg : public CDialog, public CProgressView {
public:
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
    // Copies the five texts into their controls.
    void PushTexts();

    CProgressCommands* m_pCommands = nullptr;
    HWND m_hOwner = nullptr;
    std::string m_strAnimationFile;
    CModalHost* m_pModalHost = nullptr;

    std::unique_ptr<CGifPlayer> m_pAnim;
    CWnd m_wndProgress;  // control 211
    std::string m_strFileName;
    std::string m_strRemaining;
    std::string m_strSpeed;
    std::string m_strCount;
    std::string m_strBytes;
    // What the window shows now, so that an unchanged title or bar is not set again.
    std::string m_strTitle;
    int m_nPos = 0;
    std::string m_strNote;
    bool m_bTicking = false;
    bool m_bAnimLoaded = false;
    bool m_bAnimTried = false;  // this window has looked for the animation once

    // Set while ShowSummary waits; AbortSummary turns any answer into Done.
    bool m_bInSummary = false;
    bool m_bSummaryAborted = false;
};
