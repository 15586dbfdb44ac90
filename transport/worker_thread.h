// One worker thread for the jobs of an engine, started and stopped through events, with the
// list of events its waits watch (the stop event always first). A worker whose job is over
// waits a while for the next one: under Wine a thread costs about a millisecond to start and
// end, as much as posting a small picture.
#pragma once
#include <windows.h>

#include <atomic>
#include <memory>
#include <vector>

#include "framework/scoped_handle.h"

class CWorkerThread {
public:
    static constexpr DWORD kStopTimeoutMs = 5000;
    // How often a stop looks whether the worker is held in a BlockingCall.
    static constexpr DWORD kBlockedCheckMs = 50;
    // A worker with no job ends after this long, so that an idle control holds no thread.
    static constexpr DWORD kIdleMs = 2000;

    CWorkerThread();
    virtual ~CWorkerThread();
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    // Nonzero when the job runs: on the worker of the last job when that one waits for the
    // next, otherwise on a new worker that has signalled that it started. One job at a time:
    // while the previous one still runs this starts nothing.
    BOOL StartThread();
    // Asks the job to stop and waits up to kStopTimeoutMs for it to end. A worker seen inside
    // a BlockingCall meanwhile is let go at once; one that has not ended by then outside any
    // is terminated, as the last resort. Returns true when it was let go or terminated: what it
    // had open is then the caller's to close. StopJob keeps a worker that ended its job for
    // the next one; StopThread ends it too.
    bool StopJob();
    bool StopThread();
    // A job was started and has not ended yet.
    bool IsRunning() const;
    // Identifier of the worker of the last job (0 before the first), for diagnostics and tests.
    DWORD WorkerThreadId() const { return m_nThreadId; }

protected:
    // Worker thread: the job.
    virtual unsigned Run() = 0;
    // Calling thread, when the worker ignored the stop for kStopTimeoutMs outside any
    // BlockingCall. The default terminates it while the heaps this module allocates from are
    // locked, so that it cannot die holding one (the host's other heaps are not touched); a
    // subclass wraps this to keep its own locks out of reach as well.
    virtual void TerminateWorker();

    // Worker thread: makes a call that no stop can interrupt and that may last as long as a
    // time-out of the network. A worker that a stop finds inside is let go rather than waited
    // for or terminated: it runs on until the call returns and then ends at once, touching
    // nothing of this object again (the object may be gone by then), so whatever the call
    // uses must outlive the object. Only the few bytes its stack frames own are lost.
    template <class Call>
    auto BlockingCall(Call&& call) {
        // A copy of the worker's own: it stays valid after the object is gone.
        std::shared_ptr<CDetachState> pState = m_pDetachState;
        pState->Enter();
        auto result = call();
        const DWORD dwError = GetLastError();
        if (!pState->Leave()) EndLetGoWorker(std::move(pState));
        SetLastError(dwError);
        return result;
    }

    // Worker thread: waits for any of the wait handles. Returns true exactly when the stop
    // event fired (which stays set: a stop stays requested until the next job). hFired is the
    // handle that fired, null when the wait failed. The subclass's events are best
    // auto-reset: the wait that sees one consumes it, with no further call to the system.
    bool WaitForEvents(HANDLE& hFired);
    // Worker thread: whether a stop was asked for, without a system call, so that it can be
    // polled after every chunk of a transfer.
    bool IsStopRequested() const { return m_bStopRequested.load(std::memory_order_acquire); }
    // Worker thread: waits dwMs unless a stop comes first; true when it did (at once).
    bool SleepUnlessStopped(DWORD dwMs) const;
    // Takes ownership of an event for the worker's waits; returns the raw handle for the
    // subclass's own use. Call before the first StartThread.
    HANDLE AddWaitHandle(CScopedHandle hEvent);

private:
    // Where a worker stands with respect to BlockingCall, shared by the object and the
    // worker, which may outlive it.
    class CDetachState {
    public:
        // Worker: a worker already condemned waits here to be terminated, so that it is never
        // terminated inside the call.
        void Enter();
        // Worker: false when the worker was let go during the call.
        [[nodiscard]] bool Leave();
        // Calling thread: lets go a worker inside a call (true); with bCondemnOutside, condemns
        // one outside, so that it cannot enter one before it is terminated (false).
        [[nodiscard]] bool LetGo(bool bCondemnOutside);
        // The module, held for a worker that was let go until its last instruction.
        HMODULE Module() const { return m_hModule; }

    private:
        enum State : int { kOutside, kInside, kLetGo, kCondemned };
        std::atomic<int> m_nState{kOutside};
        HMODULE m_hModule = nullptr;
    };

    // Where the worker stands between jobs; only a compare-exchange moves it from kIdle, so
    // that a job handed over and the worker's end by idleness never cross.
    enum WorkerState : int { kBusy, kIdle, kEnded };

    static unsigned __stdcall ThreadProc(void* pParam);
    [[noreturn]] static void EndLetGoWorker(std::shared_ptr<CDetachState> pState);
    // Worker thread, after a job: says it is over and waits for the next; false when the
    // worker is to end instead.
    bool AwaitNextJob();
    // Calling thread: a new worker for the job, the last one (ended or ending) waited out.
    BOOL StartNewWorker();

    CScopedHandle m_hThread;
    CScopedHandle m_hStopEvent;
    CScopedHandle m_hStartedEvent;
    // Auto-reset: set by the worker when its job is over while a stop waits for that.
    CScopedHandle m_hJobEnded;
    std::atomic<bool> m_bEndAwaited{false};
    // Auto-reset: a job for the waiting worker.
    CScopedHandle m_hNextJob;
    // Ends the waiting worker.
    CScopedHandle m_hQuit;
    std::atomic<int> m_nWorkerState{kEnded};
    // Owners of the subclass's events; m_waitHandles is the array the waits take, stop first.
    std::vector<CScopedHandle> m_ownedWaitHandles;
    std::vector<HANDLE> m_waitHandles;
    std::atomic<bool> m_bStopRequested{false};
    // The calling thread's own record that the stop event is set.
    bool m_bStopSignalled = false;
    // A new one for every worker: one that was let go keeps its own.
    std::shared_ptr<CDetachState> m_pDetachState;
    DWORD m_nThreadId = 0;
};
