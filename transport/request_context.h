// The context WinINet carries for one connection or request handle: what its status callbacks
// may reach, and the buffers a pending call may still write into.
#pragma once
#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <memory>

#include "framework/module.h"
#include "transport/critical_section.h"
#include "transport/status_sink.h"

// Two owners: the engine, until it closes the handle, and WinINet, from the creation of the
// handle until its INTERNET_STATUS_HANDLE_CLOSING, which may come later and on another
// thread (a pending read keeps the request alive). The context is freed when both let go,
// so a late completion writes into live buffers and finds no engine to disturb.
class CRequestContext {
public:
    static constexpr DWORD kReadBufferSize = 32768;
    static constexpr DWORD kSendBufferSize = 10240;

    // The engine's reference and the handle's, for the handle about to be created.
    static CRequestContext* Create(CStatusSink* pSink);

    DWORD_PTR AsContext() { return reinterpret_cast<DWORD_PTR>(this); }
    // The call that was to create the handle failed: WinINet will never close it.
    void DropHandleReference() { Release(); }
    // Engine side, when it closes the handle: no callback reaches the engine after this.
    void DetachSink();
    void ReleaseEngineReference() { Release(); }

    // The read buffer, made at first use; null when memory runs out.
    char* ReadBuffer();
    // The staging buffer of every write of a request body, made at first use; null when
    // memory runs out. Here, not in the engine, because a write that pends goes on reading it
    // after the engine has given the request up, and a worker let go inside a write that
    // blocks (see CWorkerThread::BlockingCall) may outlive the engine itself.
    char* SendBuffer();
    // Where a write reports what it wrote: a write that pends may fill it in late too.
    DWORD& WrittenCount() { return m_dwWritten; }
    // The structure every read of this request fills, pending or not.
    INTERNET_BUFFERSA& ReadBuffers() { return m_readBuffers; }
    INTERNET_BUFFERSA& SendBuffers() { return m_sendBuffers; }

    // Held by a status callback from its look at the sink to the end of its dispatch, and by
    // an engine while it cuts a context loose: once that returns, no callback reaches the
    // engine.
    static CCriticalSection& SinkLock();

    // Contexts not yet freed, for tests.
    static long LiveCount();

    static void CALLBACK StatusCallback(HINTERNET hInternet, DWORD_PTR dwContext, DWORD dwStatus, LPVOID pInfo,
                                        DWORD dwInfoLength);

private:
    explicit CRequestContext(CStatusSink* pSink) : m_pSink(pSink) {}
    ~CRequestContext();
    void Release();

    std::atomic<long> m_nRefs{2};
    CStatusSink* m_pSink;  // guarded by SinkLock
    std::unique_ptr<char[]> m_pReadBuffer;
    std::unique_ptr<char[]> m_pSendBuffer;
    INTERNET_BUFFERSA m_readBuffers{};
    INTERNET_BUFFERSA m_sendBuffers{};
    DWORD m_dwWritten = 0;
    // WinINet calls back into this module until the last context is gone.
    CModuleObjectCount m_moduleRef;
};

// Holds the engine's reference to a context, cutting it loose when released.
class CContextRef {
public:
    CContextRef() = default;
    ~CContextRef() { Reset(); }
    CContextRef(const CContextRef&) = delete;
    CContextRef& operator=(const CContextRef&) = delete;
    void Reset(CRequestContext* p = nullptr);
    CRequestContext* Get() const { return m_p; }
    CRequestContext* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

private:
    CRequestContext* m_p = nullptr;
};
