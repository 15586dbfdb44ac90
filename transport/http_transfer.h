// One HTTP exchange per job on the engine's worker thread, over WinINet in asynchronous mode:
// connect (over TLS for an https address), let the send hook send the request, read the answer
// into a file, retry within the attempts allowed, follow the redirects that stay with the
// host, and report the outcome to a listener.
#pragma once
#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "transport/answer_file.h"
#include "transport/attempt_counter.h"
#include "transport/internet_handle.h"
#include "transport/notify_link.h"
#include "transport/request_context.h"
#include "transport/status_sink.h"
#include "transport/transfer_code.h"
#include "transport/transfer_listener.h"
#include "transport/worker_thread.h"

class CHttpTransfer : public CWorkerThread, private CStatusSink {
public:
    static constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)";
    // Reload, do not write to the cache, no automatic redirect (redirects are judged and
    // counted here), pragma no-cache; no cookies either way (the browser's stay with the
    // browser, the endpoint's never reach its jar), no authentication and no dialog of the
    // platform's. Certificates are always checked: no flag ever waives a check.
    static constexpr DWORD kOpenFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                        INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_PRAGMA_NOCACHE |
                                        INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_AUTH | INTERNET_FLAG_NO_UI;
    static constexpr uint32_t kNoLength = 0xFFFFFFFF;

    CHttpTransfer();
    ~CHttpTransfer() override;

    // User-interface thread. Stops any previous job, then starts this one on the worker;
    // false (nothing runs) when the URL is not an http or https URL, the output path is blank,
    // or the notification window or the thread cannot be made: GetStartRefusal says which.
    BOOL Start(const std::string& url, const std::string& outputPath);
    StartRefusal GetStartRefusal() const { return m_startRefusal; }
    // Ends the job: the worker stops at its next wait or chunk (or is let go at once if it is
    // held in a write, and terminated after 5000 ms otherwise), then the listener is detached;
    // it hears nothing more of this job. The worker ends too.
    void Stop();
    void SetListener(CTransferListener* pListener) { m_pListener = pListener; }
    // false: direct connection (an upload never goes through a proxy).
    void SetUseProxy(bool bUseProxy) {
        m_dwAccessType = bUseProxy ? INTERNET_OPEN_TYPE_PRECONFIG : INTERNET_OPEN_TYPE_DIRECT;
    }
    // Milliseconds, set on every request handle (WinINet here ignores the session's).
    void SetTimeouts(DWORD dwConnectMs, DWORD dwSendMs, DWORD dwReceiveMs);

    // Headers of the last answer, read after OnFinished (the worker has ended by then).
    // See transport/header_lookup.h for the rules.
    bool GetHeaderString(const std::string& name, std::string& strValue, bool bTrim) const;
    bool GetHeaderNumber(const std::string& name, uint32_t& nValue) const;
    const std::string& GetRawHeaders() const { return m_strRawHeaders; }
    // The last answer's status, 0 while there is none.
    uint32_t GetStatus() const { return m_nStatus; }
    // The job's URL: the last redirect's target once one was taken.
    const std::string& GetUrl() const { return m_strUrl; }
    // Where the job's answer body goes.
    const std::string& GetOutputPath() const { return m_strOutputPath; }
    TransferCode GetCode() const { return m_nCode; }

protected:
    // Worker thread: sends the opened request. Continue when it was sent, Failed or Stopped
    // otherwise; a WinINet failure is raised as CInternetException. This version sends it
    // with no headers and no body.
    virtual StepResult SendRequest();
    // Worker thread: after each chunk of the answer has been stored.
    virtual void OnBytesTransferred(uint32_t nBytes);
    // User-interface thread, after Stop had to let the worker go or terminate it: the
    // subclass closes what the worker had open.
    virtual void OnWorkerAbandoned() {}

    // For the send hook: after a failing call that may pend, waits for its completion.
    // Continue when it completed well, Stopped, or Failed (the wait failed); a WinINet error
    // is raised.
    StepResult AwaitCompletion();
    HINTERNET RequestHandle() const { return m_hRequest.Get(); }
    CRequestContext* RequestContext() const { return m_requestContext.Get(); }
    // For the send hook: the file it sends could not be read; the job ends with that code.
    void FailOnLocalFile() { m_nCode = TransferCode::LocalFileError; }
    // Arms the completion event (auto-reset) before a call that may pend. Only a completion
    // that no wait consumed leaves it set, so a body sent chunk by chunk pays no system call
    // per chunk.
    void ExpectCompletion() {
        if (m_bCompletionSignalled.exchange(false)) ResetEvent(m_hRequestComplete);
    }
    // The same for the event of a handle made by a call that pended.
    void ExpectHandle() {
        if (m_bHandleSignalled.exchange(false)) ResetEvent(m_hHandleCreated);
    }
    // A start that does not happen, and why; returns FALSE.
    BOOL Refuse(StartRefusal why) {
        m_startRefusal = why;
        return FALSE;
    }
    // After Stop: the last answer's headers are forgotten, so that nothing read later can
    // take them for the answer to another request.
    void ClearAnswer() {
        m_strRawHeaders.clear();
        m_nStatus = 0;
    }
    CNotifyLink& Notify() { return m_notify; }
    // After EndJob: the answer file, which stays open from job to job, is let go.
    void CloseAnswerFile() { m_answer.Close(); }
    // Ends the job as Stop does, keeping a worker that ended its job for the next one.
    void EndJob();

    bool m_bPost = false;

private:
    unsigned Run() override;
    void TerminateWorker() override;
    void OnStatus(CRequestContext& context, HINTERNET hInternet, DWORD dwStatus, void* pInfo,
                  DWORD dwInfoLength) override;

    StepResult OpenAndConnect();
    StepResult RunAttempts();
    // After an attempt that asked for a wait: tells the listener how long, and waits unless
    // the job is stopped first. Retry, or Stopped.
    StepResult WaitBeforeRetry();
    // A busy answer (503, 429): the wait its Retry-After asks for is kept for the next attempt.
    StepResult RetryWhenNotBusy();
    StepResult OpenRequest();
    // A 200 answer's body into the answer file. A POST's job ends here whatever happens
    // to the body; another request's attempt may be retried.
    StepResult ReadAnswer();
    StepResult ReadBody();
    StepResult Redirect(uint32_t nStatus);
    // The answer's body is longer than kMaxAnswerBytes: the job ends as Failed.
    StepResult GiveUpOnLongAnswer();
    // After a creating call returned no handle and said it pends: waits for the handle.
    StepResult AwaitHandle(HINTERNET& hCreated);
    // A text item of the answer's headers; 0, or the error that HttpQueryInfoA gave.
    DWORD QueryText(DWORD dwInfoLevel, std::string& strText) const;
    void ApplyTimeouts();
    void PostFinished(StepResult r);
    // After StopJob or StopThread: whether the worker had to be abandoned.
    void AfterStop(bool bAbandoned);

    void CloseRequest();
    void CloseConnection();
    void CloseSession();
    void CloseAll();

    std::string m_strRawHeaders;
    uint32_t m_nStatus = 0;
    StartRefusal m_startRefusal = StartRefusal::None;
    DWORD m_dwAccessType = INTERNET_OPEN_TYPE_PRECONFIG;
    CAttemptCounter m_attempts;
    // What the last attempt that asked for a wait said: why, and the busy server's own wait.
    RetryWait m_retryWait = RetryWait::Broken;
    std::optional<uint32_t> m_nRetryAfterSeconds;
    std::string m_strObject;
    std::string m_strHost;
    bool m_bSecure = false;
    CAnswerFile m_answer;
    // Destroyed in reverse: request, connection, then the session.
    CScopedInternet m_hSession;
    CScopedInternet m_hConnect;
    CContextRef m_connectContext;
    CScopedInternet m_hRequest;
    CContextRef m_requestContext;
    std::string m_strUrl;
    std::string m_strOutputPath;
    TransferCode m_nCode = TransferCode::Complete;
    uint32_t m_nReceived = 0;
    uint32_t m_nTotalLength = 0;
    CNotifyLink m_notify;
    CTransferListener* m_pListener = nullptr;
    // Written by the status callback, read by the worker after the matching event fired.
    DWORD m_dwAsyncError = 0;
    HINTERNET m_hCreated = nullptr;
    HANDLE m_hRequestComplete = nullptr;
    // Set by the status callback before it sets m_hRequestComplete.
    std::atomic<bool> m_bCompletionSignalled{false};
    HANDLE m_hHandleCreated = nullptr;
    std::atomic<bool> m_bHandleSignalled{false};
    // The thread that runs the job, for the status callback to tell its own calls apart.
    std::atomic<DWORD> m_nJobThreadId{0};
    DWORD m_dwConnectTimeout = 30000;
    DWORD m_dwSendTimeout = 30000;
    DWORD m_dwReceiveTimeout = 30000;
};
