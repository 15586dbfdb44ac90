// The hidden window that receives a transfer worker's notifications on the user-interface
// thread and hands them to the listener of the job that posted them.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "framework/wnd.h"
#include "transport/transfer_listener.h"
#include "transport/transfer_messages.h"

// One window per engine, made on the thread that starts its first job (a listener hears its
// engine on that thread, and a browser may host controls on several threads) and kept for
// the engine's later jobs: making one a job costs milliseconds under Wine.
class CNotifyWnd : public CWnd {
public:
    // A new window on the calling thread; null on failure. DestroyWindow deletes it.
    static CNotifyWnd* Create();
    // Windows alive in the process and payload blocks not yet freed, for tests.
    static size_t LiveWindowCount();
    static long LivePayloadCount();
    // Worker side: counts a block handed to PostMessageA (the count is only for tests).
    static void CountPayload(long nDelta);

    // The listener of job nJob; the job's notifications carry nJob.
    void SetListener(uint32_t nJob, CTransferListener* pListener);
    // The job is over: nothing it posted reaches anybody (its payloads are freed as they come).
    void ClearListener();

protected:
    BEGIN_MESSAGE_MAP(CNotifyWnd, CWnd)
        ON_MESSAGE(WM_TRANSFER_BEGIN, OnTransferBegin)
        ON_MESSAGE(WM_TRANSFER_PROGRESS, OnTransferProgress)
        ON_MESSAGE(WM_TRANSFER_FINISHED, OnTransferFinished)
        ON_MESSAGE(WM_TRANSFER_CONNECTING, OnTransferConnecting)
        ON_MESSAGE(WM_TRANSFER_RESPONSE, OnTransferResponse)
        ON_MESSAGE(WM_TRANSFER_ERROR, OnTransferError)
        ON_MESSAGE(WM_TRANSFER_REDIRECT, OnTransferRedirect)
        ON_MESSAGE(WM_TRANSFER_WAITING, OnTransferWaiting)
        ON_WM_DESTROY()
    END_MESSAGE_MAP()

    void OnDestroy();
    void PostNcDestroy() override;

private:
    CNotifyWnd() = default;

    LRESULT OnTransferBegin(WPARAM wParam, LPARAM lParam);
    LRESULT OnTransferProgress(WPARAM wParam, LPARAM lParam);
    LRESULT OnTransferFinished(WPARAM wParam, LPARAM lParam);
    LRESULT OnTransferConnecting(WPARAM wParam, LPARAM lParam);
    LRESULT OnTransferResponse(WPARAM wParam, LPARAM lParam);
    LRESULT OnTransferError(WPARAM wParam, LPARAM lParam);
    LRESULT OnTransferRedirect(WPARAM wParam, LPARAM lParam);
    LRESULT OnTransferWaiting(WPARAM wParam, LPARAM lParam);

    // The listener for a notification, null when it comes from a job that is over (a job's
    // number is never given again).
    CTransferListener* FindListener(WPARAM wParam) const;
    // Removes this window's queued notifications, freeing their payloads: a window destroyed
    // with messages in its queue would otherwise lose their blocks.
    void DiscardQueued();

    uint32_t m_nJob = 0;
    CTransferListener* m_pListener = nullptr;
};
