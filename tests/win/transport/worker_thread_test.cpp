#include "transport/worker_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "transport_test_support.h"

namespace {

CScopedHandle NewEvent() { return CScopedHandle(CreateEventA(nullptr, FALSE, FALSE, nullptr)); }

// A worker whose body the test chooses.
class CTestWorker : public CWorkerThread {
public:
    enum class Body { WaitForStop, IgnoreStop, WaitOnce };

    explicit CTestWorker(Body body) : m_body(body) {}
    ~CTestWorker() override {
        m_bRelease = true;
        StopThread();
    }

    using CWorkerThread::AddWaitHandle;

    std::atomic<bool> m_bRelease{false};
    std::atomic<DWORD> m_dwRunThread{0};
    std::atomic<bool> m_bReturned{false};
    std::atomic<HANDLE> m_hFired{INVALID_HANDLE_VALUE};
    std::atomic<int> m_nStopResult{-1};

protected:
    unsigned Run() override {
        m_dwRunThread = GetCurrentThreadId();
        const unsigned r = RunBody();
        m_bReturned = true;
        return r;
    }

private:
    unsigned RunBody() {
        switch (m_body) {
        case Body::WaitForStop:
            for (;;) {
                HANDLE h = nullptr;
                if (WaitForEvents(h)) return 7;
                if (!h) return 8;
            }
        case Body::IgnoreStop:
            while (!m_bRelease) Sleep(20);
            return 0;
        case Body::WaitOnce: {
            HANDLE h = nullptr;
            m_nStopResult = WaitForEvents(h) ? 1 : 0;
            m_hFired = h;
            return 0;
        }
        }
        return 0;
    }

    Body m_body;
};

}  // namespace

TEST(WorkerThread, StartWhileAWorkerRunsStartsNothing) {
    CTestWorker worker(CTestWorker::Body::WaitForStop);
    ASSERT_TRUE(worker.StartThread());
    const DWORD dwFirst = worker.WorkerThreadId();
    EXPECT_TRUE(worker.IsRunning());
    EXPECT_FALSE(worker.StartThread());
    EXPECT_EQ(worker.WorkerThreadId(), dwFirst);
    EXPECT_FALSE(worker.StopThread()) << "a waiting worker must end without being terminated";
    EXPECT_FALSE(worker.IsRunning());
}

TEST(WorkerThread, TheJobRunsOnTheWorkerAndAStopEndsItsWait) {
    CTestWorker worker(CTestWorker::Body::WaitForStop);
    ASSERT_TRUE(worker.StartThread());
    const DWORD dwWorker = worker.WorkerThreadId();
    EXPECT_TRUE(ThreadExists(dwWorker)) << "StartThread returns only once the worker has started";
    EXPECT_NE(dwWorker, GetCurrentThreadId());
    const DWORD dwStart = GetTickCount();
    EXPECT_FALSE(worker.StopThread());
    EXPECT_LT(GetTickCount() - dwStart, 1000u);
    EXPECT_EQ(worker.m_dwRunThread.load(), dwWorker);
    EXPECT_TRUE(worker.m_bReturned);
    EXPECT_FALSE(ThreadExists(dwWorker)) << "the worker is gone when StopThread returns";
}

TEST(WorkerThread, ANewWorkerForEveryJob) {
    CTestWorker worker(CTestWorker::Body::WaitForStop);
    ASSERT_TRUE(worker.StartThread());
    const DWORD dwFirst = worker.WorkerThreadId();
    worker.StopThread();
    ASSERT_TRUE(worker.StartThread()) << "the stop event of the last job must not stop the next";
    EXPECT_NE(worker.WorkerThreadId(), dwFirst);
    EXPECT_TRUE(worker.IsRunning());
    worker.StopThread();
}

TEST(WorkerThread, AJobAfterOneThatEndedRunsOnTheSameWorker) {
    CTestWorker worker(CTestWorker::Body::WaitOnce);
    HANDLE hEvent = worker.AddWaitHandle(NewEvent());
    DWORD dwWorker = 0;
    for (int nJob = 0; nJob < 3; ++nJob) {
        ASSERT_TRUE(worker.StartThread()) << nJob;
        if (nJob == 0) dwWorker = worker.WorkerThreadId();
        SetEvent(hEvent);
        ASSERT_TRUE(PumpUntil([&] { return !worker.IsRunning(); }, 5000)) << nJob;
        EXPECT_EQ(worker.m_dwRunThread.load(), dwWorker) << nJob;
        EXPECT_FALSE(worker.StopJob()) << "a job that has ended is not abandoned";
    }
    EXPECT_TRUE(ThreadExists(dwWorker)) << "it waits for the next job";
    EXPECT_FALSE(worker.StopThread());
    EXPECT_FALSE(ThreadExists(dwWorker)) << "StopThread ends a waiting worker too";
}

TEST(WorkerThread, AWaitingWorkerEndsByItselfAndTheNextJobGetsANewOne) {
    CTestWorker worker(CTestWorker::Body::WaitOnce);
    HANDLE hEvent = worker.AddWaitHandle(NewEvent());
    ASSERT_TRUE(worker.StartThread());
    const DWORD dwFirst = worker.WorkerThreadId();
    SetEvent(hEvent);
    EXPECT_TRUE(PumpUntil([&] { return !ThreadExists(dwFirst); }, CWorkerThread::kIdleMs + 5000));
    ASSERT_TRUE(worker.StartThread());
    EXPECT_NE(worker.WorkerThreadId(), dwFirst);
    EXPECT_TRUE(worker.IsRunning());
    SetEvent(hEvent);
    EXPECT_TRUE(PumpUntil([&] { return !worker.IsRunning(); }, 5000));
}

TEST(WorkerThread, WaitReportsTheEventThatFiredAndResetsIt) {
    CTestWorker worker(CTestWorker::Body::WaitOnce);
    HANDLE hEvent = worker.AddWaitHandle(NewEvent());
    ASSERT_TRUE(worker.StartThread());
    SetEvent(hEvent);
    ASSERT_TRUE(PumpUntil([&] { return !worker.IsRunning(); }, 5000));
    EXPECT_EQ(worker.m_nStopResult.load(), 0);
    EXPECT_EQ(worker.m_hFired.load(), hEvent);
    EXPECT_EQ(WaitForSingleObject(hEvent, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the fired event was reset";
    worker.StopThread();
}

TEST(WorkerThread, FailingWaitGivesNoHandle) {
    // A mutex whose owner ended without releasing it: the wait returns "abandoned", which
    // is no entry of the list.
    CScopedHandle hMutex(CreateMutexA(nullptr, FALSE, nullptr));
    ASSERT_TRUE(hMutex);
    std::thread owner([&] { WaitForSingleObject(hMutex.Get(), INFINITE); });
    owner.join();
    HANDLE hCopy = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), hMutex.Get(), GetCurrentProcess(), &hCopy, 0, FALSE,
                                DUPLICATE_SAME_ACCESS));
    CTestWorker worker(CTestWorker::Body::WaitOnce);
    worker.AddWaitHandle(CScopedHandle(hCopy));
    ASSERT_TRUE(worker.StartThread());
    ASSERT_TRUE(PumpUntil([&] { return !worker.IsRunning(); }, 5000));
    EXPECT_EQ(worker.m_nStopResult.load(), 0);
    EXPECT_EQ(worker.m_hFired.load(), nullptr);
    worker.StopThread();
}

TEST(WorkerThread, AWorkerThatIgnoresTheStopIsTerminatedAfterFiveSeconds) {
    // A heap of the host's, held by one of its threads the whole time: the forced end has no
    // business with it.
    CScopedHandle hReleaseHeap(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    const HANDLE hHostHeap = HeapCreate(0, 0, 0);
    ASSERT_NE(hHostHeap, nullptr);
    std::thread host([&] {
        HeapLock(hHostHeap);
        WaitForSingleObject(hReleaseHeap.Get(), 15000);
        HeapUnlock(hHostHeap);
    });

    CTestWorker worker(CTestWorker::Body::IgnoreStop);
    ASSERT_TRUE(worker.StartThread());
    const DWORD dwWorker = worker.WorkerThreadId();
    const DWORD dwStart = GetTickCount();
    EXPECT_TRUE(worker.StopThread());
    const DWORD dwElapsed = GetTickCount() - dwStart;
    SetEvent(hReleaseHeap.Get());
    host.join();
    HeapDestroy(hHostHeap);
    EXPECT_GE(dwElapsed, 4900u);
    EXPECT_LT(dwElapsed, 7000u);
    EXPECT_FALSE(worker.IsRunning());
    EXPECT_FALSE(ThreadExists(dwWorker));
    EXPECT_FALSE(worker.m_bReturned) << "terminated, not returned";
    // The module's heaps were locked around the termination, not left locked.
    void* p = HeapAlloc(GetProcessHeap(), 0, 64);
    EXPECT_NE(p, nullptr);
    HeapFree(GetProcessHeap(), 0, p);
    // And the object can run another job.
    worker.m_bRelease = true;
    ASSERT_TRUE(worker.StartThread());
    EXPECT_FALSE(worker.StopThread());
}
