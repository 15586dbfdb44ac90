// The hidden window that receives a transfer worker's notifications on the user-interface
// thread and hands them to the listener of the job that posted them.
#pragma once
#include <windows.h>

#include <cstdint>
#include <unordered_map>

#include "framework/wnd.h"
#include "transport/transfer_listener.h"
#include "transport/transfer_messages.h"

// One window per user-interface thread: a listener must hear its engine on the thread that
// started it, and a browser may host controls on several threads. Created by the first
// engine that attaches on a thread, destroyed by the last one that detaches.
class CNotifyWnd : public CWnd {
public:
    // Calling thread's window, made when it has none; one reference more. Null on failure.
    static CNotifyWnd* AcquireNotifyWnd();
    // Drops one reference; the last one destroys the window (and with it the object).
    static void ReleaseNotifyWnd(CNotifyWnd* pWnd);
    // The heap every payload comes from; null until a window has been made.
    static HANDLE PayloadHeap();
    // Windows alive in the process and payload blocks not yet freed, for tests.
    static size_t LiveWindowCount();
    static long LivePayloadCount();
    // Worker side: counts a block handed to PostMessageA (the count is only for tests).
    static void CountPayload(long nDelta);

    // The listener of job nJob, until it is removed; the job's notifications carry nJob.
    void SetListener(uint32_t nJob, CTransferListener* pListener);
    void RemoveListener(uint32_t nJob) { m_mapListeners.erase(nJob); }

protected:
    BEGIN_MESSAGE_MAP(CNotifyWnd, CWnd)
        ON_MESSAGE(WM_TRANSFER_BEGIN, OnTransferBegin)
        ON_MESSAGE(WM_TRANSFER_PROGRESS, OnTransferProgress)
        ON_MESSAGE(WM_TRANSFER_FINISHED, OnTransferFinished)
        ON_MESSAGE(WM_TRANSFER_CONNECTING, OnTransferConnecting)
        ON_MESSAGE(WM_TRANSFER_RESPONSE, OnTransferResponse)
        ON_MESSAGE(WM_TRANSFER_ERROR, OnTransferError)
        ON_MESSAGE(WM_TRANSFER_REDIRECT, OnTransferRedirect)
    END_MESSAGE_MAP()

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

    // The listener for a notification, null when its job was stopped: a job's number is
    // never given again, so what it left in the queue reaches no later job.
    CTransferListener* FindListener(WPARAM wParam) const;
    // Removes this window's queued notifications, freeing their payloads: a window that is
    // destroyed with messages in its queue would otherwise lose their blocks.
    void DiscardQueued();

    std::unordered_map<uint32_t, CTransferListener*> m_mapListeners;
    DWORD m_dwThreadId = 0;
    int m_nRefs = 0;
};

// Keeps the calling thread's window while it exists: jobs run one after the other would
// otherwise make and destroy a window each, which costs milliseconds a job under Wine.
class CNotifyWndHold {
public:
    CNotifyWndHold() = default;
    ~CNotifyWndHold() { CNotifyWnd::ReleaseNotifyWnd(m_pWnd); }
    CNotifyWndHold(const CNotifyWndHold&) = delete;
    CNotifyWndHold& operator=(const CNotifyWndHold&) = delete;
    // On the thread that will also end the hold; the first call takes the reference.
    void Hold() {
        if (!m_pWnd) m_pWnd = CNotifyWnd::AcquireNotifyWnd();
    }

private:
    CNotifyWnd* m_pWnd = nullptr;
};
