#include "transport/notify_wnd.h"

#include <atomic>
#include <map>
#include <new>

#include "transport/critical_section.h"

namespace {

// Guards the windows and their reference counts; exists from module load to unload.
CCriticalSection s_notifyLock;
// The window of each user-interface thread that has one.
std::map<DWORD, CNotifyWnd*>& NotifyWindows() {
    static std::map<DWORD, CNotifyWnd*> windows;
    return windows;
}
std::atomic<HANDLE> s_hPayloadHeap{nullptr};
std::atomic<long> s_nLivePayloads{0};

// Owns the payload of one notification for the handler's scope. It is freed through the
// process-wide heap, not through the window: a listener may destroy the window before the
// handler returns.
class CPayload {
public:
    explicit CPayload(LPARAM lParam) : m_p(reinterpret_cast<const char*>(lParam)) {}
    ~CPayload() {
        if (m_p) {
            HeapFree(s_hPayloadHeap.load(), 0, const_cast<char*>(m_p));
            s_nLivePayloads.fetch_sub(1);
        }
    }
    CPayload(const CPayload&) = delete;
    CPayload& operator=(const CPayload&) = delete;
    const char* Get() const { return m_p; }
    TransferPair Pair() const {
        TransferPair pair{};
        if (m_p) CopyMemory(&pair, m_p, sizeof pair);
        return pair;
    }
    uint32_t Code() const {
        uint32_t n = 0;
        if (m_p) CopyMemory(&n, m_p, sizeof n);
        return n;
    }

private:
    const char* m_p;
};

bool CarriesPayload(UINT message, LPARAM lParam) { return lParam != 0 && message != WM_TRANSFER_RESPONSE; }

}  // namespace

CNotifyWnd* CNotifyWnd::AcquireNotifyWnd() {
    const DWORD dwThreadId = GetCurrentThreadId();
    CCriticalSection::CLock lock(s_notifyLock);
    auto& windows = NotifyWindows();
    auto it = windows.find(dwThreadId);
    if (it == windows.end()) {
        auto* pWnd = new (std::nothrow) CNotifyWnd;
        if (!pWnd) return nullptr;
        LPCSTR pszClass = CWnd::RegisterWndClass(0);
        const RECT rc{0, 0, 1, 1};
        // A tool window that is never shown, so that it appears in no task list.
        if (!pszClass || !pWnd->CreateEx(WS_EX_TOOLWINDOW, pszClass, nullptr, WS_POPUP, rc, nullptr, 0)) {
            delete pWnd;
            return nullptr;
        }
        HANDLE hHeap = GetProcessHeap();
        if (!hHeap) {
            pWnd->DestroyWindow();  // deletes the object
            return nullptr;
        }
        s_hPayloadHeap.store(hHeap);
        pWnd->m_dwThreadId = dwThreadId;
        it = windows.emplace(dwThreadId, pWnd).first;
    }
    ++it->second->m_nRefs;
    return it->second;
}

void CNotifyWnd::ReleaseNotifyWnd(CNotifyWnd* pWnd) {
    if (!pWnd) return;
    {
        CCriticalSection::CLock lock(s_notifyLock);
        if (--pWnd->m_nRefs > 0) return;
        NotifyWindows().erase(pWnd->m_dwThreadId);
    }
    pWnd->DiscardQueued();
    pWnd->DestroyWindow();
}

HANDLE CNotifyWnd::PayloadHeap() { return s_hPayloadHeap.load(); }

size_t CNotifyWnd::LiveWindowCount() {
    CCriticalSection::CLock lock(s_notifyLock);
    return NotifyWindows().size();
}

long CNotifyWnd::LivePayloadCount() { return s_nLivePayloads.load(); }

void CNotifyWnd::CountPayload(long nDelta) { s_nLivePayloads.fetch_add(nDelta); }

void CNotifyWnd::PostNcDestroy() { delete this; }

void CNotifyWnd::SetListener(uint32_t nJob, CTransferListener* pListener) { m_mapListeners[nJob] = pListener; }

CTransferListener* CNotifyWnd::FindListener(WPARAM wParam) const {
    const auto it = m_mapListeners.find(static_cast<uint32_t>(wParam));
    return it == m_mapListeners.end() ? nullptr : it->second;
}

void CNotifyWnd::DiscardQueued() {
    MSG msg;
    while (::PeekMessageA(&msg, m_hWnd, WM_TRANSFER_BEGIN, WM_TRANSFER_REDIRECT, PM_REMOVE | PM_NOYIELD)) {
        if (CarriesPayload(msg.message, msg.lParam)) CPayload discard(msg.lParam);
    }
}

// After the listener call a handler touches nothing of the window: the listener may have
// restarted its engine, and the detach that comes with it may have destroyed this object.
LRESULT CNotifyWnd::OnTransferBegin(WPARAM wParam, LPARAM lParam) {
    CPayload payload(lParam);
    if (CTransferListener* p = FindListener(wParam)) {
        const TransferPair pair = payload.Pair();
        p->OnBegin(pair.nFirst, pair.nSecond);
    }
    return 0;
}

LRESULT CNotifyWnd::OnTransferProgress(WPARAM wParam, LPARAM lParam) {
    CPayload payload(lParam);
    if (CTransferListener* p = FindListener(wParam)) {
        const TransferPair pair = payload.Pair();
        p->OnProgress(pair.nFirst, pair.nSecond);
    }
    return 0;
}

LRESULT CNotifyWnd::OnTransferFinished(WPARAM wParam, LPARAM lParam) {
    CPayload payload(lParam);
    CTransferListener* p = FindListener(wParam);
    if (p && payload.Get()) p->OnFinished(static_cast<TransferCode>(payload.Code()), payload.Get() + sizeof(uint32_t));
    return 0;
}

LRESULT CNotifyWnd::OnTransferConnecting(WPARAM wParam, LPARAM lParam) {
    CPayload payload(lParam);
    CTransferListener* p = FindListener(wParam);
    if (p && payload.Get()) p->OnConnecting(payload.Get());
    return 0;
}

LRESULT CNotifyWnd::OnTransferResponse(WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    if (CTransferListener* p = FindListener(wParam)) p->OnResponse();
    return 0;
}

LRESULT CNotifyWnd::OnTransferError(WPARAM wParam, LPARAM lParam) {
    CPayload payload(lParam);
    CTransferListener* p = FindListener(wParam);
    if (p && payload.Get()) p->OnError(static_cast<TransferCode>(payload.Code()));
    return 0;
}

LRESULT CNotifyWnd::OnTransferRedirect(WPARAM wParam, LPARAM lParam) {
    CPayload payload(lParam);
    CTransferListener* p = FindListener(wParam);
    if (p && payload.Get()) p->OnRedirect(payload.Get());
    return 0;
}
