// The upload batch: sends the panel's queued pictures one after the other, records the
// server's verdict on each, drives the progress dialog's texts, and at the end of a pass
// shows the summary and offers the failed pictures again. It runs on the user-interface
// thread; the transfer reports to it as its listener.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/mbcs_text.h"
#include "transport/transfer_listener.h"
#include "upload/pass_observer.h"
#include "upload/progress_view.h"
#include "upload/text_source.h"
#include "upload/transfer_stats.h"
#include "upload/upload_panel.h"
#include "upload/upload_request.h"

// What is sent for the picture at the head of the queue.
struct UploadItem {
    int nIndex = -1;      // into the panel's pictures
    std::string strFile;  // the file whose bytes are posted
    std::string strName;  // the picture's caption
    double dSizeKB = 0;   // bytes of strFile / 1024
};

// What the summary of a resumed batch's first pass adds: the pictures whose request had
// started when the earlier batch stopped, and those that could not be sent again.
struct PassNotes {
    std::vector<int> arrMaybeStored;
    std::vector<ResultRow> arrNotSent;
    bool IsEmpty() const { return arrMaybeStored.empty() && arrNotSent.empty(); }
};

class CUploadBatch : public CTransferListener, public CProgressCommands {
public:
    // The millisecond tick counter; wraps at 2^32.
    using TickSource = std::function<uint32_t()>;

    CUploadBatch(CUploadRequest& request, CProgressView& progress, const CTextSource& texts, TickSource tick,
                 LeadByteTest pfnIsLead);
    ~CUploadBatch() override;
    CUploadBatch(const CUploadBatch&) = delete;
    CUploadBatch& operator=(const CUploadBatch&) = delete;

    // While there is no panel every operation returns at once.
    void SetPanel(CUploadPanel* pPanel) { m_pPanel = pPanel; }
    // Hears of the batch as it goes; may be null.
    void SetObserver(CPassObserver* pObserver) { m_pObserver = pObserver; }

    // A batch over the panel's queue (which the panel has filled and checked).
    void StartBatch(PassNotes notes = {});
    // A further pass over the failed pictures that the server did not reject.
    void Reupload();
    // Ends whatever runs, without a summary and without the event: the panel is about to
    // change or free its pictures.
    void Abort();
    bool IsUploading() const { return m_bUploading; }

    bool PeekHead(UploadItem& item) const;
    double QueueTotalKB() const;

    void OnConnecting(const char* pszHost) override;
    void OnResponse() override;
    void OnProgress(uint32_t nDone, uint32_t nTotal) override;
    void OnFinished(TransferCode nCode, const char* pszAnswerPath) override;
    void OnRetryWait(uint32_t nDelayMs, RetryWait why) override;
    // The head picture's start, recorded, may go ahead (its observer held it).
    void OnSendingRecorded();
    void OnCancelRequested() override;
    bool IsPassRunning() const override { return m_bUploading; }
    void OnTick() override;

    // How long after a picture's last byte a missing answer is shown as awaited: a server that
    // answers at once never makes the line blink.
    static constexpr uint32_t kAnswerNoteDelayMs = 500;

    // The outcome of the current (or last) pass, in the order the pictures finished.
    const std::vector<int>& Succeeded() const { return m_arrSucceeded; }
    const std::vector<int>& Rejected() const { return m_arrRejected; }
    const std::vector<std::string>& RejectedWhy() const { return m_arrRejectedWhy; }
    const std::vector<int>& Failed() const { return m_arrFailed; }
    const std::vector<std::string>& FailedWhy() const { return m_arrFailedWhy; }
    int SucceededTotal() const { return m_nSucceededTotal; }
    const ProgressTexts& Texts() const { return m_texts; }

    // The "imgfile" field: the name lower-cased; a name that is not a JPEG's and differs
    // from the file actually sent (a GIF whose copy is a JPEG) gets ".jpg" for ".gif".
    std::string ImageFieldName(const UploadItem& item) const;

private:
    enum class Verdict { Stored, Rejected, Failed };
    // What the picture in flight waits for while no byte of it moves.
    enum class Pause { None, Retry, Answer };

    // Steps shared by StartBatch and Reupload once the queue is filled.
    void StartPass();
    // Builds the form for one picture and starts it; false with a reason when nothing
    // could be sent.
    bool UploadOne(const UploadItem& item, std::string& strWhy);
    // Sends the head of the queue, failing at once every picture that cannot be sent,
    // until one is in flight or the pass ends.
    void SendNext();
    // Starts the head picture, or fails it at once; true when it is in flight.
    bool StartHead(const UploadItem& item);
    // The head picture is done: recorded, taken off the queue, the count text updated.
    void FinishHead(Verdict verdict, const std::string& strWhy);
    void EndPass();
    std::string ReasonWithoutAnswer(TransferCode nCode) const;
    std::vector<ResultRow> Rows(const std::vector<int>& arrIndices, const std::vector<std::string>& arrWhy,
                                const std::string& strPrefix) const;
    std::string CaptionOf(int nIndex) const;
    // The summary's list of a resumed batch's first pass: its own rows, then the notes'.
    void AddNotes(SummaryRequest& summary, int nFailures);
    std::vector<QueuedPicture> QueuedPictures() const;
    std::string Text(unsigned nID) const { return m_textSource.Load(nID); }
    // Every change is shown: the transfer's reports come at a pace a reader can follow.
    void ShowTexts() { m_progress.SetTexts(m_texts); }
    SummaryChoice RunSummary(const SummaryRequest& summary);
    // The pictures stored in this pass take their space in the album.
    void CountStoredSpace();
    bool IsAutoCompress() const { return m_settings.bAutoCompress; }
    // A pause begins now (None ends one); the note line follows at once.
    void SetPause(Pause pause);
    // The note line as the pause and the clock have it now.
    void ShowNote();
    // The pass's display stops: no pause, no note, no ticks.
    void StopPauseDisplay();

    CUploadPanel* m_pPanel = nullptr;
    CPassObserver* m_pObserver = nullptr;
    // Shown with the first summary of the batch, then dropped.
    PassNotes m_notes;
    // The page's settings and the box as they were when the pass began: a script that
    // changes a property in the middle of a pass does not retarget the pictures still queued.
    UploadSettings m_settings;
    CUploadRequest& m_request;
    CProgressView& m_progress;
    const CTextSource& m_textSource;
    TickSource m_tick;
    LeadByteTest m_pfnIsLead;

    std::vector<int> m_arrRejected;
    std::vector<std::string> m_arrRejectedWhy;
    std::vector<int> m_arrFailed;
    std::vector<std::string> m_arrFailedWhy;
    std::vector<int> m_arrSucceeded;
    int m_nPassCount = 0;
    double m_dSucceededKB = 0;
    double m_dTotalKB = 0;
    double m_dDoneKB = 0;
    int m_nSucceededTotal = 0;

    bool m_bUploading = false;
    // The head picture waits for its observer before its request starts.
    bool m_bAwaitingRecord = false;
    bool m_bInSummary = false;
    // Counts the batch's endings, so that a summary that returns after an Abort knows it
    // has been overtaken.
    unsigned m_nGeneration = 0;
    ProgressTexts m_texts;
    CTransferStats m_stats;

    Pause m_pause = Pause::None;
    uint32_t m_nPauseStartMs = 0;
    // A retry's wait: how long, and why.
    uint32_t m_nRetryDelayMs = 0;
    RetryWait m_retryWhy = RetryWait::Busy;
    std::string m_strNote;
};
