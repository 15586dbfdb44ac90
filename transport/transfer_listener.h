// What a transfer tells its user, always on the user-interface thread.
#pragma once
#include <cstdint>

#include "transport/transfer_code.h"

// String arguments point into the notification's payload and are valid only during the call.
// A listener may stop or restart its engine from inside any of these calls.
class CTransferListener {
public:
    virtual ~CTransferListener() = default;
    virtual void OnConnecting(const char* pszHost) { (void)pszHost; }
    virtual void OnResponse() {}
    // nTotal is the answer's Content-Length, 0xFFFFFFFF when it has none.
    virtual void OnBegin(uint32_t nStart, uint32_t nTotal) {
        (void)nStart;
        (void)nTotal;
    }
    virtual void OnProgress(uint32_t nDone, uint32_t nTotal) {
        (void)nDone;
        (void)nTotal;
    }
    virtual void OnFinished(TransferCode nCode, const char* pszAnswerPath) {
        (void)nCode;
        (void)pszAnswerPath;
    }
    virtual void OnRedirect(const char* pszUrl) { (void)pszUrl; }
    virtual void OnError(TransferCode nCode) { (void)nCode; }
    // The job waits nDelayMs before its next attempt; OnConnecting follows when it begins.
    virtual void OnRetryWait(uint32_t nDelayMs, RetryWait why) {
        (void)nDelayMs;
        (void)why;
    }
};
