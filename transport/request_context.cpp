#include "transport/request_context.h"

#include <new>

namespace {
std::atomic<long> s_nLiveContexts{0};
CCriticalSection s_sinkLock;
}  // namespace

CCriticalSection& CRequestContext::SinkLock() { return s_sinkLock; }

CRequestContext* CRequestContext::Create(CStatusSink* pSink) {
    auto* p = new (std::nothrow) CRequestContext(pSink);
    if (p) s_nLiveContexts.fetch_add(1);
    return p;
}

CRequestContext::~CRequestContext() { s_nLiveContexts.fetch_sub(1); }

long CRequestContext::LiveCount() { return s_nLiveContexts.load(); }

void CRequestContext::Release() {
    if (m_nRefs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
}

void CRequestContext::DetachSink() {
    CCriticalSection::CLock lock(s_sinkLock);
    m_pSink = nullptr;
}

char* CRequestContext::ReadBuffer() {
    if (!m_pReadBuffer) m_pReadBuffer.reset(new (std::nothrow) char[kReadBufferSize]);
    return m_pReadBuffer.get();
}

char* CRequestContext::SendBuffer() {
    if (!m_pSendBuffer) m_pSendBuffer.reset(new (std::nothrow) char[kSendBufferSize]);
    return m_pSendBuffer.get();
}

void CALLBACK CRequestContext::StatusCallback(HINTERNET hInternet, DWORD_PTR dwContext, DWORD dwStatus, LPVOID pInfo,
                                              DWORD dwInfoLength) {
    auto* pContext = reinterpret_cast<CRequestContext*>(dwContext);
    if (!pContext) return;
    {
        CCriticalSection::CLock lock(s_sinkLock);
        if (pContext->m_pSink) pContext->m_pSink->OnStatus(*pContext, hInternet, dwStatus, pInfo, dwInfoLength);
    }
    // The handle's last word: WinINet's reference ends here.
    if (dwStatus == INTERNET_STATUS_HANDLE_CLOSING) pContext->Release();
}

void CContextRef::Reset(CRequestContext* p) {
    if (m_p && m_p != p) {
        m_p->DetachSink();
        m_p->ReleaseEngineReference();
    }
    m_p = p;
}
