// An engine's link to the notification window: attaching on the user-interface thread,
// posting from the worker, detaching when the job is stopped.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <string>

#include "transport/transfer_listener.h"

class CNotifyLink {
public:
    static constexpr DWORD kProgressGapMs = 10;

    CNotifyLink() = default;
    ~CNotifyLink() = default;
    CNotifyLink(const CNotifyLink&) = delete;
    CNotifyLink& operator=(const CNotifyLink&) = delete;

    // User-interface thread. With no listener nothing is attached and the call succeeds;
    // false when the window cannot be made. pEngine is the key the window knows it by.
    bool Attach(const void* pEngine, CTransferListener* pListener);
    // User-interface thread, after the worker has ended: later notifications of this engine,
    // queued or not, reach nobody.
    void Detach(const void* pEngine);
    bool IsAttached() const { return m_hNotifyWnd != nullptr; }
    HWND Window() const { return m_hNotifyWnd; }

    // Worker thread: a copy of the data in a new payload block, posted. Nothing is posted when
    // not attached or when the block cannot be had; a block the queue refuses is freed here.
    bool Post(const void* pEngine, UINT message, const void* pData, size_t nSize) const;
    void PostCode(const void* pEngine, UINT message, uint32_t nCode) const;
    void PostPair(const void* pEngine, UINT message, uint32_t nFirst, uint32_t nSecond) const;
    // WM_TRANSFER_PROGRESS after a chunk. A report is merged into the next one while the
    // last still waits in the queue or was posted less than kProgressGapMs ago: under Wine
    // every post is a round trip to the server that also carries the socket's writes, and a
    // post for each of a 200 MiB picture's 20480 chunks halves the upload's speed (and can
    // bury the thread's queue) for reports nobody sees apart. The final report of a body is
    // always posted.
    void PostProgress(const void* pEngine, uint32_t nDone, uint32_t nTotal, bool bFinal);
    void PostText(const void* pEngine, UINT message, const std::string& text) const;
    // WM_TRANSFER_FINISHED: the code, then the path and its terminating zero.
    void PostFinished(const void* pEngine, uint32_t nCode, const std::string& path) const;

private:
    HWND m_hNotifyWnd = nullptr;
    HANDLE m_hHeap = nullptr;
    // Set by the worker when it posts a report, cleared by the window when it hands one over.
    std::atomic<bool> m_bProgressQueued{false};
    // Worker only: when the last report was posted.
    DWORD m_dwLastProgress = 0;
    bool m_bProgressPosted = false;
};
