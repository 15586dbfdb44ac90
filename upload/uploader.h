// The upload batch together with the real pieces it drives: the HTTP upload, the progress
// dialog and the control's string table. The panel holds one and hands it its pictures.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>

#include "upload/http_upload_request.h"
#include "upload/journal_folder.h"
#include "upload/pass_recorder.h"
#include "upload/text_source.h"
#include "upload/upload_batch.h"
#include "upload/upload_progress_dlg.h"

// The control's string table.
class CResourceTexts : public CTextSource {
public:
    std::string Load(unsigned nID) const override;
};

class CUploader {
public:
    CUploader();
    CUploader(const CUploader&) = delete;
    CUploader& operator=(const CUploader&) = delete;

    // The panel whose pictures go up, and its window, which owns the progress dialog and is
    // posted nJournalMsg when the journal's writer has put a change on the disk.
    void Attach(CUploadPanel* pPanel, HWND hOwner, UINT nJournalMsg);
    // For nJournalMsg.
    void OnJournalWritten() { m_recorder.OnWritten(); }
    // The window goes: the journal's last changes are given a moment, and its writer ends.
    void Detach();
    // Who is held, and tells its container, while a summary or a question is up.
    void SetModalHost(CModalHost* pHost) { m_dlgProgress.SetModalHost(pHost); }

    void StartBatch(PassNotes notes = {}) { m_batch.StartBatch(std::move(notes)); }
    // Before a batch whose pictures are still being prepared: until EndPreparingWait the
    // progress dialog is up with strFileLine as its file line, and its "取消" (or its close
    // box, confirmed) calls onCancel instead of reaching the batch.
    void BeginPreparingWait(const std::string& strFileLine, std::function<void()> onCancel);
    // The dialog hidden and the batch's again.
    void EndPreparingWait();
    bool IsPreparingWait() const { return m_wait.IsWaiting(); }
    // Before the panel changes or frees its pictures.
    void Abort() { m_batch.Abort(); }
    bool IsUploading() const { return m_batch.IsUploading(); }

    CUploadBatch& Batch() { return m_batch; }
    CHttpUploadRequest& Request() { return m_request; }
    CPassRecorder& Recorder() { return m_recorder; }
    CUploadProgressDlg& ProgressDialog() { return m_dlgProgress; }

private:
    // The dialog's commands during a preparing wait: a cancel is the owner's to decide.
    class CPreparingWait : public CProgressCommands {
    public:
        void Begin(std::function<void()> onCancel) { m_onCancel = std::move(onCancel); }
        void End() { m_onCancel = nullptr; }
        bool IsWaiting() const { return static_cast<bool>(m_onCancel); }
        void OnCancelRequested() override {
            if (const auto onCancel = m_onCancel) onCancel();
        }
        bool IsPassRunning() const override { return IsWaiting(); }
        // Nothing counts down while pictures are prepared.
        void OnTick() override {}

    private:
        std::function<void()> m_onCancel;
    };

    CResourceTexts m_texts;
    CPreparingWait m_wait;
    CHttpUploadRequest m_request;
    CUploadProgressDlg m_dlgProgress;
    CJournalFolder m_journalFolder;
    // Where the journal's writer posts, from its own thread.
    std::atomic<HWND> m_hwndJournal{nullptr};
    UINT m_nJournalMsg = 0;
    CPassRecorder m_recorder;
    // Last, so that it goes first: a running job is cancelled while the rest still exists.
    CUploadBatch m_batch;
};
