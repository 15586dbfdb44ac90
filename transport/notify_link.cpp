#include "transport/notify_link.h"

#include <cstring>

#include "transport/notify_wnd.h"
#include "transport/transfer_messages.h"

bool CNotifyLink::Attach(const void* pEngine, CTransferListener* pListener) {
    if (!pListener) return true;
    CNotifyWnd* pWnd = CNotifyWnd::AcquireNotifyWnd();
    if (!pWnd) return false;
    if (m_hNotifyWnd) {
        // Attached already (a start without a stop in between): keep one reference only.
        Detach(pEngine);
    }
    m_bProgressQueued = false;
    m_bProgressPosted = false;
    pWnd->SetListener(pEngine, pListener, &m_bProgressQueued);
    m_hNotifyWnd = pWnd->m_hWnd;
    m_hHeap = CNotifyWnd::PayloadHeap();
    return true;
}

void CNotifyLink::Detach(const void* pEngine) {
    if (!m_hNotifyWnd) return;
    const HWND hWnd = m_hNotifyWnd;
    m_hNotifyWnd = nullptr;
    m_hHeap = nullptr;
    SendMessageA(hWnd, WM_TRANSFER_DETACH, reinterpret_cast<WPARAM>(pEngine), 0);
}

bool CNotifyLink::Post(const void* pEngine, UINT message, const void* pData, size_t nSize) const {
    if (!m_hNotifyWnd || !m_hHeap) return false;
    void* pBlock = nullptr;
    if (nSize) {
        pBlock = HeapAlloc(m_hHeap, 0, nSize);
        if (!pBlock) return false;
        std::memcpy(pBlock, pData, nSize);
        CNotifyWnd::CountPayload(1);
    }
    if (PostMessageA(m_hNotifyWnd, message, reinterpret_cast<WPARAM>(pEngine), reinterpret_cast<LPARAM>(pBlock)))
        return true;
    if (pBlock) {
        HeapFree(m_hHeap, 0, pBlock);
        CNotifyWnd::CountPayload(-1);
    }
    return false;
}

void CNotifyLink::PostCode(const void* pEngine, UINT message, uint32_t nCode) const {
    Post(pEngine, message, &nCode, sizeof nCode);
}

void CNotifyLink::PostPair(const void* pEngine, UINT message, uint32_t nFirst, uint32_t nSecond) const {
    const TransferPair pair{nFirst, nSecond};
    Post(pEngine, message, &pair, sizeof pair);
}

void CNotifyLink::PostProgress(const void* pEngine, uint32_t nDone, uint32_t nTotal, bool bFinal) {
    if (!m_hNotifyWnd) return;
    // GetTickCount reads shared memory here, no system call.
    const DWORD dwNow = GetTickCount();
    if (!bFinal) {
        if (m_bProgressPosted && dwNow - m_dwLastProgress < kProgressGapMs) return;
        if (m_bProgressQueued.exchange(true)) return;
    }
    m_bProgressQueued = true;
    const TransferPair pair{nDone, nTotal};
    if (!Post(pEngine, WM_TRANSFER_PROGRESS, &pair, sizeof pair)) {
        m_bProgressQueued = false;
        return;
    }
    m_dwLastProgress = dwNow;
    m_bProgressPosted = true;
}

void CNotifyLink::PostText(const void* pEngine, UINT message, const std::string& text) const {
    Post(pEngine, message, text.c_str(), text.size() + 1);
}

void CNotifyLink::PostFinished(const void* pEngine, uint32_t nCode, const std::string& path) const {
    std::string block(sizeof nCode, '\0');
    std::memcpy(block.data(), &nCode, sizeof nCode);
    block.append(path);
    Post(pEngine, WM_TRANSFER_FINISHED, block.c_str(), block.size() + 1);
}
