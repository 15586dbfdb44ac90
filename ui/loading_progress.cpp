#include "ui/loading_progress.h"

#include <mmsystem.h>

bool CLoadingProgress::Start(UINT nTickPeriodMs, Report report) {
    Stop();
    m_report = std::move(report);
    m_bStop = false;
    m_nTicks = 0;
    // Auto-reset and signalled: the thread reports once as soon as it starts.
    m_hTickEvent.Reset(CreateEventA(nullptr, FALSE, TRUE, nullptr));
    m_hKickEvent.Reset(CreateEventA(nullptr, FALSE, TRUE, nullptr));
    if (!m_hTickEvent || !m_hKickEvent) return false;
    m_hThread.Reset(CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr));
    if (!m_hThread) return false;
    if (nTickPeriodMs) {
        // The timer sets the event itself: no callback runs on the timer's own thread.
        m_uTimerId = timeSetEvent(nTickPeriodMs, 5, reinterpret_cast<LPTIMECALLBACK>(m_hTickEvent.Get()), 0,
                                  TIME_PERIODIC | TIME_CALLBACK_EVENT_SET);
    }
    return true;
}

void CLoadingProgress::Stop() {
    if (m_uTimerId) {
        timeKillEvent(m_uTimerId);
        m_uTimerId = 0;
    }
    if (m_hThread) {
        m_bStop = true;
        SetEvent(m_hKickEvent.Get());
        WaitForSingleObject(m_hThread.Get(), INFINITE);
        m_hThread.Reset();
    }
    m_hTickEvent.Reset();
    m_hKickEvent.Reset();
    m_report = nullptr;
}

void CLoadingProgress::Set(int nState, int nCount) {
    m_nState = nState;
    m_nCount = nCount;
    Kick();
}

void CLoadingProgress::Kick() {
    if (m_hKickEvent) SetEvent(m_hKickEvent.Get());
}

DWORD WINAPI CLoadingProgress::ThreadProc(void* param) {
    static_cast<CLoadingProgress*>(param)->Run();
    return 0;
}

void CLoadingProgress::Run() {
    HANDLE events[] = {m_hTickEvent.Get(), m_hKickEvent.Get()};
    for (;;) {
        DWORD woke = WaitForMultipleObjects(2, events, FALSE, INFINITE);
        if (m_bStop || woke > WAIT_OBJECT_0 + 1) return;
        const bool bTick = woke == WAIT_OBJECT_0;
        if (bTick) ++m_nTicks;
        try {
            if (m_report) m_report(bTick, m_nState.load(), m_nCount.load());
        } catch (...) {
            // A hook's failure must not take the browser's process down with this thread.
        }
    }
}
