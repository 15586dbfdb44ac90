#include "imaging/prepare_workers.h"

#include "framework/scoped_handle.h"
#include "framework/thread_apartment.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <list>
#include <optional>
#include <utility>
#include <vector>

namespace {

std::atomic<long> s_nRunning{0};

struct CPrepareJob {
    std::size_t nKey = 0;
    std::string strPath;
    PictureType nType = PictureType::None;
    int nLimitX = 0;
    int nLimitY = 0;
};

// A preparation under way; its flag is what the decoder watches.
struct CRunningJob {
    explicit CRunningJob(std::size_t n) : nKey(n) {}
    std::size_t nKey;
    std::atomic<bool> bGoOn{true};
};

// Held locked for one scope.
class CExclusiveLock {
public:
    explicit CExclusiveLock(SRWLOCK& lock) : m_lock(lock) { AcquireSRWLockExclusive(&m_lock); }
    ~CExclusiveLock() { ReleaseSRWLockExclusive(&m_lock); }
    CExclusiveLock(const CExclusiveLock&) = delete;
    CExclusiveLock& operator=(const CExclusiveLock&) = delete;

private:
    SRWLOCK& m_lock;
};

int ProcessorCount() {
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    return std::max(1, static_cast<int>(info.dwNumberOfProcessors));
}

}  // namespace

// Shared by the owner and the threads, so that whichever lets go last frees it: a thread
// still ending after its owner went finds everything it touches here.
class CPrepareQueue {
public:
    void SetNotify(HWND hwnd, UINT nMsg) {
        const CExclusiveLock lock(m_lock);
        m_hwndNotify = hwnd;
        m_nMsg = nMsg;
    }

    // Queues the job unless its key is queued, under way or finished already; true when a
    // thread more is wanted.
    bool Add(CPrepareJob job) {
        const CExclusiveLock lock(m_lock);
        const auto sameKey = [&](const auto& other) { return other.nKey == job.nKey; };
        const bool bRunning = std::any_of(m_running.begin(), m_running.end(),
                                          [&](const CRunningJob& r) { return r.nKey == job.nKey && r.bGoOn.load(); });
        if (bRunning || std::any_of(m_queue.begin(), m_queue.end(), sameKey) ||
            std::any_of(m_done.begin(), m_done.end(), [&](const auto& d) { return d.first == job.nKey; }))
            return false;
        m_queue.push_back(std::move(job));
        WakeConditionVariable(&m_cvWork);
        if (m_nThreads >= std::min<std::size_t>(m_nMaxThreads, m_queue.size() + m_running.size())) return false;
        ++m_nThreads;
        return true;
    }

    // A thread that could not be started after all.
    void ThreadNotStarted() {
        const CExclusiveLock lock(m_lock);
        --m_nThreads;
    }

    void Cancel(std::size_t nKey) {
        std::vector<CPreparedUpload> arrDiscarded;  // their copies go after the lock
        const CExclusiveLock lock(m_lock);
        std::erase_if(m_queue, [&](const CPrepareJob& job) { return job.nKey == nKey; });
        for (CRunningJob& running : m_running)
            if (running.nKey == nKey) running.bGoOn = false;
        TakeDone(arrDiscarded, nKey);
    }

    bool CancelAll(DWORD nWaitMs) {
        std::vector<CPreparedUpload> arrDiscarded;
        const CExclusiveLock lock(m_lock);
        m_queue.clear();
        for (CRunningJob& running : m_running) running.bGoOn = false;
        TakeDone(arrDiscarded, std::nullopt);
        const ULONGLONG nDeadline = GetTickCount64() + nWaitMs;
        while (!m_running.empty()) {
            const ULONGLONG nNow = GetTickCount64();
            if (nNow >= nDeadline ||
                !SleepConditionVariableSRW(&m_cvIdle, &m_lock, static_cast<DWORD>(nDeadline - nNow), 0))
                break;
        }
        return m_running.empty();
    }

    void Stop() {
        const CExclusiveLock lock(m_lock);
        m_bStop = true;
        m_hwndNotify = nullptr;
        WakeAllConditionVariable(&m_cvWork);
    }

    std::vector<std::pair<std::size_t, CPreparedUpload>> TakeResults() {
        const CExclusiveLock lock(m_lock);
        return std::exchange(m_done, {});
    }

    // A thread's whole work: a job at a time until told to stop.
    void Work() {
        const CExclusiveLock lock(m_lock);
        for (;;) {
            while (!m_bStop && m_queue.empty()) SleepConditionVariableSRW(&m_cvWork, &m_lock, INFINITE, 0);
            if (m_bStop) break;
            const CPrepareJob job = std::move(m_queue.front());
            m_queue.pop_front();
            const auto it = m_running.emplace(m_running.end(), job.nKey);
            ReleaseSRWLockExclusive(&m_lock);
            CPreparedUpload result;
            try {
                result = PreparePicture(job.strPath, job.nType, job.nLimitX, job.nLimitY, &it->bGoOn);
            } catch (...) {
                // Out of memory, say: the picture stays unprepared, as one that cannot be loaded.
            }
            AcquireSRWLockExclusive(&m_lock);
            if (it->bGoOn.load()) {
                m_done.emplace_back(job.nKey, std::move(result));
                if (m_hwndNotify) PostMessageA(m_hwndNotify, m_nMsg, 0, 0);
            } else {
                // Deleted before anyone hears that the job ended: a cancelled picture leaves no copy.
                CPreparedUpload discarded = std::move(result);
            }
            m_running.erase(it);
            WakeAllConditionVariable(&m_cvIdle);
        }
        --m_nThreads;
    }

private:
    // Moves the finished results of nKey (of every key when none) into arrOut.
    void TakeDone(std::vector<CPreparedUpload>& arrOut, std::optional<std::size_t> nKey) {
        for (auto it = m_done.begin(); it != m_done.end();) {
            if (nKey && it->first != *nKey) {
                ++it;
                continue;
            }
            arrOut.push_back(std::move(it->second));
            it = m_done.erase(it);
        }
    }

    SRWLOCK m_lock = SRWLOCK_INIT;
    CONDITION_VARIABLE m_cvWork = CONDITION_VARIABLE_INIT;  // a job queued, or stop
    CONDITION_VARIABLE m_cvIdle = CONDITION_VARIABLE_INIT;  // a job under way ended
    std::deque<CPrepareJob> m_queue;
    std::list<CRunningJob> m_running;  // a list: the decoder holds the address of the flag
    std::vector<std::pair<std::size_t, CPreparedUpload>> m_done;
    HWND m_hwndNotify = nullptr;
    UINT m_nMsg = 0;
    bool m_bStop = false;
    std::size_t m_nThreads = 0;
    const std::size_t m_nMaxThreads = static_cast<std::size_t>(ProcessorCount());
};

namespace {

// What a thread owns: its share of the queue, and a reference to the module holding its
// code, so that a thread still ending cannot outlive the control's DLL.
struct CWorkerStart {
    std::shared_ptr<CPrepareQueue> pQueue;
    HMODULE hModule = nullptr;
};

DWORD WINAPI PrepareWorker(void* pParam) {
    HMODULE hModule = nullptr;
    {
        std::unique_ptr<CWorkerStart> pStart(static_cast<CWorkerStart*>(pParam));
        hModule = pStart->hModule;
        // The interface thread and the page come first.
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
        const CThreadApartment apartment;
        pStart->pQueue->Work();
    }
    s_nRunning.fetch_sub(1);
    FreeLibraryAndExitThread(hModule, 0);
}

bool StartWorker(const std::shared_ptr<CPrepareQueue>& pQueue) {
    auto pStart = std::make_unique<CWorkerStart>();
    pStart->pQueue = pQueue;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&PrepareWorker),
                            &pStart->hModule))
        return false;
    const HMODULE hModule = pStart->hModule;
    s_nRunning.fetch_add(1);
    const CScopedHandle hThread(CreateThread(nullptr, 0, &PrepareWorker, pStart.get(), 0, nullptr));
    if (!hThread) {
        s_nRunning.fetch_sub(1);
        FreeLibrary(hModule);
        return false;
    }
    (void)pStart.release();  // the thread's now
    return true;
}

}  // namespace

CPrepareWorkers::CPrepareWorkers() : m_pQueue(std::make_shared<CPrepareQueue>()) {}

void CPrepareWorkers::Stop() {
    CancelAll(kStopWaitMs);
    m_pQueue->Stop();
    // A thread still ending keeps the old queue; new work goes to threads of its own.
    m_pQueue = std::make_shared<CPrepareQueue>();
}

void CPrepareWorkers::SetNotify(HWND hwnd, UINT nMsg) { m_pQueue->SetNotify(hwnd, nMsg); }

void CPrepareWorkers::Prepare(std::size_t nKey, const std::string& strPath, PictureType nType, int nLimitX,
                              int nLimitY) {
    if (m_pQueue->Add(CPrepareJob{nKey, strPath, nType, nLimitX, nLimitY}) && !StartWorker(m_pQueue))
        m_pQueue->ThreadNotStarted();
}

void CPrepareWorkers::Cancel(std::size_t nKey) { m_pQueue->Cancel(nKey); }

bool CPrepareWorkers::CancelAll(DWORD nWaitMs) { return m_pQueue->CancelAll(nWaitMs); }

std::size_t CPrepareWorkers::TakeResults(const std::function<void(std::size_t nKey, CPreparedUpload& result)>& adopt) {
    auto arrResults = m_pQueue->TakeResults();
    for (auto& [nKey, result] : arrResults) adopt(nKey, result);
    return arrResults.size();
}

long CPrepareWorkers::GetRunningCount() { return s_nRunning.load(); }
