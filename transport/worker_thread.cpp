#include "transport/worker_thread.h"

#include <malloc.h>
#include <process.h>

#include <algorithm>
#include <iterator>
#include <new>

namespace {

CScopedHandle NewManualResetEvent() { return CScopedHandle(CreateEventA(nullptr, TRUE, FALSE, nullptr)); }

// Holds, for one scope, the locks of the heaps a worker of this module allocates from: the
// process heap (notification payloads, WinINet here) and the C runtime's (everything else).
// The host's other heaps are none of ours, and locking one made without serialisation is
// undefined.
class COwnHeapsLock {
public:
    COwnHeapsLock() {
        m_heaps[0] = GetProcessHeap();
        const auto hCrtHeap = reinterpret_cast<HANDLE>(_get_heap_handle());
        if (hCrtHeap && hCrtHeap != m_heaps[0]) m_heaps[1] = hCrtHeap;
        for (HANDLE h : m_heaps)
            if (h) HeapLock(h);
    }
    ~COwnHeapsLock() {
        for (auto it = std::rbegin(m_heaps); it != std::rend(m_heaps); ++it)
            if (*it) HeapUnlock(*it);
    }
    COwnHeapsLock(const COwnHeapsLock&) = delete;
    COwnHeapsLock& operator=(const COwnHeapsLock&) = delete;

private:
    HANDLE m_heaps[2] = {};
};

constexpr DWORD kLetGoExitCode = 1;

}  // namespace

CWorkerThread::CWorkerThread()
    : m_hStopEvent(NewManualResetEvent()),
      m_hStartedEvent(NewManualResetEvent()),
      m_hJobEnded(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
      m_hNextJob(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
      m_hQuit(NewManualResetEvent()) {
    m_waitHandles.push_back(m_hStopEvent.Get());
}

CWorkerThread::~CWorkerThread() {
    // A subclass stops its job in its own destructor, while its members still exist; this
    // ends the waiting worker, which touches nothing of the subclass between jobs.
    StopThread();
}

HANDLE CWorkerThread::AddWaitHandle(CScopedHandle hEvent) {
    HANDLE h = hEvent.Get();
    m_ownedWaitHandles.push_back(std::move(hEvent));
    m_waitHandles.push_back(h);
    return h;
}

bool CWorkerThread::IsRunning() const { return m_hThread && m_nWorkerState.load(std::memory_order_acquire) == kBusy; }

BOOL CWorkerThread::StartThread() {
    if (IsRunning()) return FALSE;
    if (!m_hStopEvent || !m_hStartedEvent || !m_hJobEnded || !m_hNextJob || !m_hQuit) return FALSE;
    // Each costs a trip to the system under Wine, as much as a small picture's header: only
    // an event that was set is reset.
    if (m_bStopSignalled) ResetEvent(m_hStopEvent.Get());
    m_bStopSignalled = false;
    m_bStopRequested.store(false, std::memory_order_release);
    int nIdle = kIdle;
    if (m_hThread && m_nWorkerState.compare_exchange_strong(nIdle, kBusy, std::memory_order_acq_rel)) {
        SetEvent(m_hNextJob.Get());
        return TRUE;
    }
    return StartNewWorker();
}

BOOL CWorkerThread::StartNewWorker() {
    if (m_hThread) {
        // It has left its last wait for a job and is on its way out.
        WaitForSingleObject(m_hThread.Get(), kStopTimeoutMs);
        m_hThread.Reset();
    }
    ResetEvent(m_hStartedEvent.Get());
    ResetEvent(m_hQuit.Get());
    try {
        m_pDetachState = std::make_shared<CDetachState>();
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
    m_nWorkerState.store(kBusy, std::memory_order_release);

    unsigned nThreadId = 0;
    const uintptr_t h = _beginthreadex(nullptr, 0, &CWorkerThread::ThreadProc, this, 0, &nThreadId);
    if (h == 0) return FALSE;
    m_hThread.Reset(reinterpret_cast<HANDLE>(h));
    m_nThreadId = nThreadId;
    // The user interface stays first: the worker mostly waits on the network anyway.
    SetThreadPriority(m_hThread.Get(), THREAD_PRIORITY_IDLE);

    // The thread handle is watched too: a worker that dies before it can say it started
    // must not leave the caller waiting for ever.
    const HANDLE waits[2] = {m_hStartedEvent.Get(), m_hThread.Get()};
    const DWORD w = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    ResetEvent(m_hStartedEvent.Get());
    if (w == WAIT_OBJECT_0) return TRUE;
    m_nWorkerState.store(kEnded, std::memory_order_release);
    return FALSE;
}

bool CWorkerThread::StopJob() {
    if (!m_hThread) return false;
    m_bStopRequested.store(true, std::memory_order_release);
    // Between jobs (the usual case: the next picture's start) there is nothing to stop.
    if (m_nWorkerState.load(std::memory_order_acquire) != kBusy) return false;
    SetEvent(m_hStopEvent.Get());
    m_bStopSignalled = true;

    // The job's end, or the thread's own (a worker ended by idleness has no job to end). The
    // worker signals its end only while this waits for it; a signal left from an earlier
    // stop only makes the state be looked at again.
    const HANDLE waits[2] = {m_hJobEnded.Get(), m_hThread.Get()};
    m_bEndAwaited.store(true);
    struct CEndAwaited {
        std::atomic<bool>& bFlag;
        ~CEndAwaited() { bFlag.store(false); }
    } awaited{m_bEndAwaited};
    for (DWORD dwWaited = 0;;) {
        if (m_nWorkerState.load() != kBusy) return false;
        const DWORD dwStep = std::min(kBlockedCheckMs, kStopTimeoutMs - dwWaited);
        const DWORD w = WaitForMultipleObjects(2, waits, FALSE, dwStep);
        if (w == WAIT_OBJECT_0) continue;
        if (w != WAIT_TIMEOUT) return false;
        dwWaited += dwStep;
        // A worker in a call it cannot leave (a write that a dead line holds until the send
        // time-out) is let go at once: the caller, the user's cancel, waits for nothing.
        // Terminating it there would leave whatever the call holds (WinINet's request, its
        // socket) held for good.
        if (m_pDetachState->LetGo(false)) break;
        if (dwWaited < kStopTimeoutMs) continue;
        if (!m_pDetachState->LetGo(true)) TerminateWorker();
        break;
    }
    m_hThread.Reset();
    return true;
}

bool CWorkerThread::StopThread() {
    if (StopJob()) return true;
    if (!m_hThread) return false;
    // Between jobs the worker waits on nothing else.
    SetEvent(m_hQuit.Get());
    WaitForSingleObject(m_hThread.Get(), kStopTimeoutMs);
    m_hThread.Reset();
    return false;
}

bool CWorkerThread::AwaitNextJob() {
    // Idle before the job's end is told: a caller that sees the end finds the worker idle.
    m_nWorkerState.store(kIdle);
    // Paired with StopJob's flag, both sequentially consistent: either it sees the worker
    // idle, or the worker sees it waiting.
    if (m_bEndAwaited.load()) SetEvent(m_hJobEnded.Get());
    const HANDLE waits[2] = {m_hNextJob.Get(), m_hQuit.Get()};
    if (WaitForMultipleObjects(2, waits, FALSE, kIdleMs) == WAIT_OBJECT_0) return true;
    int nIdle = kIdle;
    if (m_nWorkerState.compare_exchange_strong(nIdle, kEnded, std::memory_order_acq_rel)) return false;
    // A job was handed over as the wait ended: its event is set, or about to be.
    WaitForSingleObject(m_hNextJob.Get(), INFINITE);
    return true;
}

void CWorkerThread::TerminateWorker() {
    COwnHeapsLock heaps;
    TerminateThread(m_hThread.Get(), 1);
    // Termination is asynchronous: the thread may still run until the system gets to it.
    WaitForSingleObject(m_hThread.Get(), 1000);
}

void CWorkerThread::CDetachState::Enter() {
    int nExpected = kOutside;
    if (m_nState.compare_exchange_strong(nExpected, kInside, std::memory_order_acq_rel)) return;
    // Condemned: termination is on its way.
    for (;;) Sleep(INFINITE);
}

bool CWorkerThread::CDetachState::Leave() {
    int nExpected = kInside;
    return m_nState.compare_exchange_strong(nExpected, kOutside, std::memory_order_acq_rel);
}

bool CWorkerThread::CDetachState::LetGo(bool bCondemnOutside) {
    // Taken before the worker can see that it was let go: from then on it may end, and the
    // module may be unloaded, at any moment.
    HMODULE hModule = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&CWorkerThread::ThreadProc),
                       &hModule);
    m_hModule = hModule;
    // A failed exchange means that the worker entered or left a call in between: look again.
    for (int nState = m_nState.load(std::memory_order_acquire);;) {
        if (nState == kInside) {
            if (m_nState.compare_exchange_strong(nState, kLetGo, std::memory_order_acq_rel)) return true;
        } else if (nState == kOutside && bCondemnOutside) {
            if (m_nState.compare_exchange_strong(nState, kCondemned, std::memory_order_acq_rel)) break;
        } else {
            break;
        }
    }
    m_hModule = nullptr;
    if (hModule) FreeLibrary(hModule);
    return false;
}

void CWorkerThread::EndLetGoWorker(std::shared_ptr<CDetachState> pState) {
    const HMODULE hModule = pState->Module();
    pState.reset();
    // Nothing of the object is touched: it may be gone. The module stays until the thread
    // has left its code.
    if (hModule) FreeLibraryAndExitThread(hModule, kLetGoExitCode);
    ExitThread(kLetGoExitCode);
}

bool CWorkerThread::WaitForEvents(HANDLE& hFired) {
    const DWORD n = static_cast<DWORD>(m_waitHandles.size());
    const DWORD w = WaitForMultipleObjects(n, m_waitHandles.data(), FALSE, INFINITE);
    if (w >= WAIT_OBJECT_0 + n) {
        hFired = nullptr;
        return false;
    }
    hFired = m_waitHandles[w - WAIT_OBJECT_0];
    return w == WAIT_OBJECT_0;
}

bool CWorkerThread::SleepUnlessStopped(DWORD dwMs) const {
    return IsStopRequested() || WaitForSingleObject(m_hStopEvent.Get(), dwMs) == WAIT_OBJECT_0;
}

unsigned __stdcall CWorkerThread::ThreadProc(void* pParam) {
    auto* pThis = static_cast<CWorkerThread*>(pParam);
    SetEvent(pThis->m_hStartedEvent.Get());
    do {
        try {
            pThis->Run();
        } catch (...) {
            // Nothing thrown may end the thread through the runtime's handler.
        }
    } while (pThis->AwaitNextJob());
    return 0;
}
