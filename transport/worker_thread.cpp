#include "transport/worker_thread.h"

#include <process.h>

namespace {

CScopedHandle NewManualResetEvent() {
    return CScopedHandle(CreateEventA(nullptr, TRUE, FALSE, nullptr));
}

// Holds the locks of every heap of the process for one scope.
class CAllHeapsLock {
public:
    CAllHeapsLock() {
        m_heaps.resize(64);
        DWORD n = GetProcessHeaps(static_cast<DWORD>(m_heaps.size()), m_heaps.data());
        if (n > m_heaps.size()) {
            m_heaps.resize(n + 16);
            n = GetProcessHeaps(static_cast<DWORD>(m_heaps.size()), m_heaps.data());
        }
        m_heaps.resize(n <= m_heaps.size() ? n : 0);
        for (HANDLE h : m_heaps) HeapLock(h);
    }
    ~CAllHeapsLock() {
        for (auto it = m_heaps.rbegin(); it != m_heaps.rend(); ++it) HeapUnlock(*it);
    }
    CAllHeapsLock(const CAllHeapsLock&) = delete;
    CAllHeapsLock& operator=(const CAllHeapsLock&) = delete;

private:
    std::vector<HANDLE> m_heaps;
};

}  // namespace

CWorkerThread::CWorkerThread()
    : m_hStopEvent(NewManualResetEvent()),
      m_hStartedEvent(NewManualResetEvent()),
      m_hFinishedEvent(NewManualResetEvent()) {
    m_waitHandles.push_back(m_hStopEvent.Get());
}

CWorkerThread::~CWorkerThread() {
    // A subclass stops its worker in its own destructor, while its members still exist;
    // this only catches a worker that a subclass without members left running.
    StopThread();
}

HANDLE CWorkerThread::AddWaitHandle(CScopedHandle hEvent) {
    HANDLE h = hEvent.Get();
    m_ownedWaitHandles.push_back(std::move(hEvent));
    m_waitHandles.push_back(h);
    return h;
}

bool CWorkerThread::IsRunning() const {
    return m_hThread && WaitForSingleObject(m_hThread.Get(), 0) == WAIT_TIMEOUT;
}

BOOL CWorkerThread::StartThread() {
    if (IsRunning()) return FALSE;
    // The previous worker has ended by itself; its handle is still ours to close.
    m_hThread.Reset();
    if (!m_hStopEvent || !m_hStartedEvent || !m_hFinishedEvent) return FALSE;
    ResetEvent(m_hStopEvent.Get());
    ResetEvent(m_hFinishedEvent.Get());
    ResetEvent(m_hStartedEvent.Get());
    m_bStopRequested.store(false, std::memory_order_release);

    unsigned nThreadId = 0;
    const uintptr_t h = _beginthreadex(nullptr, 0, &CWorkerThread::ThreadProc, this, 0, &nThreadId);
    if (h == 0) return FALSE;
    m_hThread.Reset(reinterpret_cast<HANDLE>(h));
    m_nThreadId = nThreadId;
    if (m_bIdlePriority) SetThreadPriority(m_hThread.Get(), THREAD_PRIORITY_IDLE);

    // The thread handle is watched too: a worker that dies before it can say it started
    // must not leave the caller waiting for ever.
    const HANDLE waits[2] = {m_hStartedEvent.Get(), m_hThread.Get()};
    const DWORD w = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    ResetEvent(m_hStartedEvent.Get());
    return w == WAIT_OBJECT_0;
}

bool CWorkerThread::StopThread() {
    if (!m_hThread) {
        ResetEvent(m_hFinishedEvent.Get());
        return false;
    }
    m_bStopRequested.store(true, std::memory_order_release);
    SetEvent(m_hStopEvent.Get());

    // The thread's own handle, not the finished event, says that it is gone: the event is
    // set a few instructions before the thread really ends.
    bool bEnded = false;
    const DWORD dwStart = GetTickCount();
    for (;;) {
        OnStopRequested();
        const DWORD dwElapsed = GetTickCount() - dwStart;
        if (dwElapsed >= kStopTimeoutMs) break;
        const DWORD dwSlice = kStopTimeoutMs - dwElapsed < 100 ? kStopTimeoutMs - dwElapsed : 100;
        if (WaitForSingleObject(m_hThread.Get(), dwSlice) != WAIT_TIMEOUT) {
            bEnded = true;
            break;
        }
    }
    if (!bEnded) TerminateWorker();
    m_hThread.Reset();
    ResetEvent(m_hFinishedEvent.Get());
    return !bEnded;
}

void CWorkerThread::TerminateWorker() {
    {
        CAllHeapsLock heaps;
        TerminateThread(m_hThread.Get(), 1);
        // Termination is asynchronous: the thread may still run until the system gets to it.
        WaitForSingleObject(m_hThread.Get(), 1000);
    }
}

bool CWorkerThread::WaitForEvents(HANDLE& hFired, bool bReset) {
    const DWORD n = static_cast<DWORD>(m_waitHandles.size());
    const DWORD w = WaitForMultipleObjects(n, m_waitHandles.data(), FALSE, INFINITE);
    if (w >= WAIT_OBJECT_0 + n) {
        hFired = nullptr;
        return false;
    }
    hFired = m_waitHandles[w - WAIT_OBJECT_0];
    if (w == WAIT_OBJECT_0) return true;
    if (bReset) ResetEvent(hFired);
    return false;
}

unsigned __stdcall CWorkerThread::ThreadProc(void* pParam) {
    auto* pThis = static_cast<CWorkerThread*>(pParam);
    // Read first: once the finished event is set the object may be gone.
    const HANDLE hFinished = pThis->m_hFinishedEvent.Get();
    pThis->OnThreadStart();
    SetEvent(pThis->m_hStartedEvent.Get());
    unsigned r = 1;
    try {
        r = pThis->Run();
    } catch (...) {
        // Nothing thrown may end the thread through the runtime's handler.
    }
    pThis->OnThreadExit();
    SetEvent(hFinished);
    return r;
}
