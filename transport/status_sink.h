// The receiver of WinINet status callbacks for the handles of one request context.
#pragma once
#include <windows.h>

class CRequestContext;

class CStatusSink {
public:
    // Runs on WinINet's threads (or inside the worker's own call) with CRequestContext::SinkLock
    // held: it may only set events and store small results, never block.
    virtual void OnStatus(CRequestContext& context, HINTERNET hInternet, DWORD dwStatus, void* pInfo,
                          DWORD dwInfoLength) = 0;

protected:
    ~CStatusSink() = default;
};
