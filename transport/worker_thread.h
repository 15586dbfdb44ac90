// One worker thread per job, started and stopped through events, with the list of events its
// waits watch (the stop event always first).
#pragma once
#include <windows.h>

#include <atomic>
#include <vector>

#include "framework/scoped_handle.h"

class CWorkerThread {
public:
    static constexpr DWORD kStopTimeoutMs = 5000;

    CWorkerThread();
    virtual ~CWorkerThread();
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    // Nonzero when a new worker runs and has signalled that it started. One worker at a time:
    // while the previous one still runs this starts nothing.
    BOOL StartThread();
    // Asks the worker to stop and waits up to kStopTimeoutMs for it to end; a worker that does
    // not end by then is terminated. Returns true when it had to be terminated.
    bool StopThread();
    // A worker was started and has not ended yet.
    bool IsRunning() const;
    // Identifier of the last worker started (0 before the first), for diagnostics and tests.
    DWORD WorkerThreadId() const { return m_nThreadId; }

protected:
    // Worker thread: the first and the last thing the worker does around Run.
    virtual void OnThreadStart() {}
    virtual void OnThreadExit() {}
    virtual unsigned Run() = 0;
    // Calling thread, after the stop event is set and again while waiting for the worker: lets a
    // subclass end a wait that the stop event cannot reach (a modal dialog on the worker).
    virtual void OnStopRequested() {}
    // Calling thread, when the worker ignored the stop for kStopTimeoutMs. The default
    // terminates it while every heap of the process is locked, so that it cannot die holding
    // one; a subclass wraps this to keep its own locks out of reach as well.
    virtual void TerminateWorker();

    // Worker thread: waits for any of the wait handles. Returns true exactly when the stop
    // event fired. hFired is the handle that fired, null when the wait failed; with bReset the
    // fired event is reset (never the stop event: a stop stays requested until the next job).
    bool WaitForEvents(HANDLE& hFired, bool bReset);
    // Worker thread: whether a stop was asked for, without a system call, so that it can be
    // polled after every chunk of a transfer.
    bool IsStopRequested() const { return m_bStopRequested.load(std::memory_order_acquire); }
    // Takes ownership of an event for the worker's waits; returns the raw handle for the
    // subclass's own use. Call before the first StartThread.
    HANDLE AddWaitHandle(CScopedHandle hEvent);

private:
    static unsigned __stdcall ThreadProc(void* pParam);

    CScopedHandle m_hThread;
    CScopedHandle m_hStopEvent;
    BOOL m_bIdlePriority = TRUE;
    CScopedHandle m_hStartedEvent;
    CScopedHandle m_hFinishedEvent;
    // Owners of the subclass's events; m_waitHandles is the array the waits take, stop first.
    std::vector<CScopedHandle> m_ownedWaitHandles;
    std::vector<HANDLE> m_waitHandles;
    std::atomic<bool> m_bStopRequested{false};
    DWORD m_nThreadId = 0;
};
