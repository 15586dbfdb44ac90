// The thread that reports a tree branch's fill progress, woken by each produced child and,
// when a period is set, by a multimedia timer. Alive only between Start and Stop.
#pragma once
#include "framework/scoped_handle.h"

#include <atomic>
#include <functional>

class CLoadingProgress {
public:
    // Runs on the progress thread: (woken by the timer, state, count).
    using Report = std::function<void(bool, int, int)>;

    CLoadingProgress() = default;
    ~CLoadingProgress() { Stop(); }
    CLoadingProgress(const CLoadingProgress&) = delete;
    CLoadingProgress& operator=(const CLoadingProgress&) = delete;

    // nTickPeriodMs 0: no timer, only kicks wake the thread.
    bool Start(UINT nTickPeriodMs, Report report);
    // Waits for the thread; safe when not running.
    void Stop();
    bool IsRunning() const { return static_cast<bool>(m_hThread); }
    bool HasTimer() const { return m_uTimerId != 0; }

    // Any thread: 0 while a fill runs, 1 when it has finished.
    void Set(int nState, int nCount);
    void Kick();
    int Ticks() const { return m_nTicks.load(); }

private:
    static DWORD WINAPI ThreadProc(void* param);
    void Run();

    CScopedHandle m_hThread;
    CScopedHandle m_hTickEvent;
    CScopedHandle m_hKickEvent;
    std::atomic<bool> m_bStop{false};
    UINT m_uTimerId = 0;
    std::atomic<int> m_nState{1};
    std::atomic<int> m_nCount{0};
    std::atomic<int> m_nTicks{0};
    Report m_report;
};
