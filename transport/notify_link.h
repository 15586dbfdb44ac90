// An engine's link to the notification window: attaching on the user-interface thread,
// posting from the worker, detaching when the job is stopped.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "transport/transfer_listener.h"

class CNotifyWnd;

class CNotifyLink {
public:
    // The one limit on how often progress reaches the user interface, which shows every
    // report it gets.
    static constexpr DWORD kProgressGapMs = 10;

    CNotifyLink() = default;
    // On the thread that attached: the window goes with the link.
    ~CNotifyLink();
    CNotifyLink(const CNotifyLink&) = delete;
    CNotifyLink& operator=(const CNotifyLink&) = delete;

    // User-interface thread: a new job, with a number of its own that every notification
    // carries. The window is made by the first job and kept for the later ones. With no
    // listener nothing is attached and the call succeeds; false when the window cannot be
    // made.
    bool Attach(CTransferListener* pListener);
    // User-interface thread, after the worker has ended: the job's notifications, queued or
    // not, reach nobody.
    void Detach();
    bool IsAttached() const { return m_hNotifyWnd != nullptr; }
    HWND Window() const { return m_hNotifyWnd; }

    // Worker thread: a copy of the data in a new payload block, posted. Nothing is posted when
    // not attached or when the block cannot be had; a block the queue refuses is freed here.
    bool Post(UINT message, const void* pData, size_t nSize) const;
    void PostCode(UINT message, uint32_t nCode) const;
    void PostPair(UINT message, uint32_t nFirst, uint32_t nSecond) const;
    // WM_TRANSFER_PROGRESS after a chunk. A report is merged into the next one while the
    // last was posted less than kProgressGapMs ago, across the jobs of this link: under Wine
    // every post is a round trip to the server that also carries the socket's writes, and a
    // post for each of a 200 MiB picture's 20480 chunks halves the upload's speed for reports
    // nobody sees apart. The final report of a body is always posted, so that the display
    // never stays behind while the server works.
    void PostProgress(uint32_t nDone, uint32_t nTotal, bool bFinal);
    void PostText(UINT message, const std::string& text) const;
    // WM_TRANSFER_FINISHED: the code, then the path and its terminating zero.
    void PostFinished(uint32_t nCode, const std::string& path) const;

private:
    bool HasWindow() const;

    // The link's window, while m_hWindow names a live window.
    CNotifyWnd* m_pWnd = nullptr;
    HWND m_hWindow = nullptr;
    // What the worker posts with: the window, its heap and the job's number.
    HWND m_hNotifyWnd = nullptr;
    HANDLE m_hHeap = nullptr;
    uint32_t m_nJob = 0;
    // Worker only: when the last report was posted.
    DWORD m_dwLastProgress = 0;
    bool m_bProgressPosted = false;
};
