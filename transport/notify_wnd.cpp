#include "transport/notify_wnd.h"

#include <atomic>
#include <new>

namespace {

std::atomic<long> s_nLiveWindows{0};
std::atomic<long> s_nLivePayloads{0};

// Owns the payload of one notification for the handler's scope. It is freed through the
// process heap, not through the window: a listener may destroy the window before the handler
// returns.
class CPayload {
public:
    explicit CPayload(LPARAM lParam) : m_p(reinterpret_cast<const char*>(lParam)) {}
    ~CPayload() {
        if (m_p) {
            HeapFree(GetProcessHeap(), 0, const_cast<char*>(m_p));
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

CNotifyWnd* CNotifyWnd::Create() {
    auto* pWnd = new (std::nothrow) CNotifyWnd;
    if (!pWnd) return nullptr;
    LPCSTR pszClass = CWnd::RegisterWndClass(0);
    const RECT rc{0, 0, 1, 1};
    // A tool window that is never shown, so that it appears in no task list.
    if (!pszClass || !pWnd->CreateEx(WS_EX_TOOLWINDOW, pszClass, nullptr, WS_POPUP, rc, nullptr, 0)) {
        delete pWnd;
        return nullptr;
    }
    s_nLiveWindows.fetch_add(1);
    return pWnd;
}

size_t CNotifyWnd::LiveWindowCount() { return static_cast<size_t>(s_nLiveWindows.load()); }

long CNotifyWnd::LivePayloadCount() { return s_nLivePayloads.load(); }

void CNotifyWnd::CountPayload(long nDelta) { s_nLivePayloads.fetch_add(nDelta); }

void CNotifyWnd::OnDestroy() {
    DiscardQueued();
    DefWindowProc(WM_DESTROY, 0, 0);
}

void CNotifyWnd::PostNcDestroy() {
    s_nLiveWindows.fetch_sub(1);
    delete this;
}

void CNotifyWnd::SetListener(uint32_t nJob, CTransferListener* pListener) {
    m_nJob = nJob;
    m_pListener = pListener;
}

void CNotifyWnd::ClearListener() { m_pListener = nullptr; }

CTransferListener* CNotifyWnd::FindListener(WPARAM wParam) const {
    return static_cast<uint32_t>(wParam) == m_nJob ? m_pListener : nullptr;
}

void CNotifyWnd::DiscardQueued() {
    MSG msg;
    while (::PeekMessageA(&msg, m_hWnd, WM_TRANSFER_FIRST, WM_TRANSFER_LAST, PM_REMOVE | PM_NOYIELD)) {
        if (CarriesPayload(msg.message, msg.lParam)) CPayload discard(msg.lParam);
    }
}

// After the listener call a handler touches nothing of the window: the listener may have
// destroyed its engine, and the engine's window with it.
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

LRESULT CNotifyWnd::OnTransferWaiting(WPARAM wParam, LPARAM lParam) {
    CPayload payload(lParam);
    if (CTransferListener* p = FindListener(wParam)) {
        const TransferPair pair = payload.Pair();
        p->OnRetryWait(pair.nFirst, static_cast<RetryWait>(pair.nSecond));
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
