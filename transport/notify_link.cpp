#include "transport/notify_link.h"

#include <atomic>
#include <cstring>

#include "transport/notify_wnd.h"
#include "transport/transfer_messages.h"

namespace {

// Never 0, and never the number of a job still in some queue.
std::atomic<uint32_t> s_nLastJob{0};

}  // namespace

CNotifyLink::~CNotifyLink() {
    Detach();
    // Its object goes with it.
    if (HasWindow()) ::DestroyWindow(m_hWindow);
}

bool CNotifyLink::HasWindow() const { return m_hWindow && ::IsWindow(m_hWindow); }

bool CNotifyLink::Attach(CTransferListener* pListener) {
    Detach();
    if (!pListener) return true;
    // Made again when its thread's end took the last one.
    if (!HasWindow()) {
        m_pWnd = CNotifyWnd::Create();
        m_hWindow = m_pWnd ? m_pWnd->m_hWnd : nullptr;
    }
    if (!m_hWindow) return false;
    m_nJob = s_nLastJob.fetch_add(1) + 1;
    m_pWnd->SetListener(m_nJob, pListener);
    m_hHeap = GetProcessHeap();
    m_hNotifyWnd = m_hWindow;
    return true;
}

void CNotifyLink::Detach() {
    if (!m_hNotifyWnd) return;
    m_hNotifyWnd = nullptr;
    m_hHeap = nullptr;
    if (HasWindow()) m_pWnd->ClearListener();
}

bool CNotifyLink::Post(UINT message, const void* pData, size_t nSize) const {
    if (!m_hNotifyWnd || !m_hHeap) return false;
    void* pBlock = nullptr;
    if (nSize) {
        pBlock = HeapAlloc(m_hHeap, 0, nSize);
        if (!pBlock) return false;
        std::memcpy(pBlock, pData, nSize);
        CNotifyWnd::CountPayload(1);
    }
    if (PostMessageA(m_hNotifyWnd, message, m_nJob, reinterpret_cast<LPARAM>(pBlock))) return true;
    if (pBlock) {
        HeapFree(m_hHeap, 0, pBlock);
        CNotifyWnd::CountPayload(-1);
    }
    return false;
}

void CNotifyLink::PostCode(UINT message, uint32_t nCode) const { Post(message, &nCode, sizeof nCode); }

void CNotifyLink::PostPair(UINT message, uint32_t nFirst, uint32_t nSecond) const {
    const TransferPair pair{nFirst, nSecond};
    Post(message, &pair, sizeof pair);
}

void CNotifyLink::PostProgress(uint32_t nDone, uint32_t nTotal, bool bFinal) {
    if (!m_hNotifyWnd) return;
    // GetTickCount reads shared memory here, no system call.
    const DWORD dwNow = GetTickCount();
    if (!bFinal && m_bProgressPosted && dwNow - m_dwLastProgress < kProgressGapMs) return;
    const TransferPair pair{nDone, nTotal};
    if (!Post(WM_TRANSFER_PROGRESS, &pair, sizeof pair)) return;
    m_dwLastProgress = dwNow;
    m_bProgressPosted = true;
}

void CNotifyLink::PostText(UINT message, const std::string& text) const {
    Post(message, text.c_str(), text.size() + 1);
}

void CNotifyLink::PostFinished(uint32_t nCode, const std::string& path) const {
    std::string block(sizeof nCode, '\0');
    std::memcpy(block.data(), &nCode, sizeof nCode);
    block.append(path);
    Post(WM_TRANSFER_FINISHED, block.c_str(), block.size() + 1);
}
