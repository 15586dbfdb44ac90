#include "transport/http_transfer.h"

#include <cstdlib>
#include <ctime>

#include "transport/header_lookup.h"
#include "transport/http_url.h"
#include "transport/internet_handle.h"
#include "transport/retry_after.h"
#include "transport/transfer_messages.h"
#include "transport/transfer_rules.h"

namespace {

CScopedHandle NewAutoResetEvent() { return CScopedHandle(CreateEventA(nullptr, FALSE, FALSE, nullptr)); }

bool EndsTheJob(StepResult r) {
    return r == StepResult::Exhausted || r == StepResult::GiveUp || r == StepResult::Stopped;
}

const char* NullIfEmpty(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }

}  // namespace

CHttpTransfer::CHttpTransfer() {
    m_hRequestComplete = AddWaitHandle(NewAutoResetEvent());
    m_hHandleCreated = AddWaitHandle(NewAutoResetEvent());
}

CHttpTransfer::~CHttpTransfer() { Stop(); }

void CHttpTransfer::SetTimeouts(DWORD dwConnectMs, DWORD dwSendMs, DWORD dwReceiveMs) {
    m_dwConnectTimeout = dwConnectMs;
    m_dwSendTimeout = dwSendMs;
    m_dwReceiveTimeout = dwReceiveMs;
}

BOOL CHttpTransfer::Start(const std::string& url, const std::string& outputPath) {
    EndJob();
    if (!CHttpUrl::Parse(url) || TrimBlanks(outputPath).empty()) return Refuse(StartRefusal::BadAddress);
    if (!m_notify.Attach(m_pListener)) return Refuse(StartRefusal::NoWorker);
    m_strUrl = url;
    m_strOutputPath = outputPath;
    m_nCode = TransferCode::Complete;
    m_nReceived = 0;
    m_nTotalLength = 0;
    if (!StartThread()) {
        m_notify.Detach();
        return Refuse(StartRefusal::NoWorker);
    }
    m_startRefusal = StartRefusal::None;
    return TRUE;
}

void CHttpTransfer::Stop() {
    AfterStop(StopThread());
    // Kept open from job to job, while the worker waits for the next one.
    m_answer.Close();
}

void CHttpTransfer::EndJob() { AfterStop(StopJob()); }

void CHttpTransfer::AfterStop(bool bAbandoned) {
    if (bAbandoned) {
        // The worker is gone or let go where it stood: what it had open is closed here (a
        // write it is still blocked in keeps its request alive inside WinINet until it returns).
        CloseAll();
        OnWorkerAbandoned();
    }
    m_notify.Detach();
}

void CHttpTransfer::TerminateWorker() {
    // Not while a status callback is inside the sink lock, so that the worker cannot
    // die holding it.
    CCriticalSection::CLock lock(CRequestContext::SinkLock());
    CWorkerThread::TerminateWorker();
}

bool CHttpTransfer::GetHeaderString(const std::string& name, std::string& strValue, bool bTrim) const {
    return ::GetHeaderString(m_strRawHeaders, name, strValue, bTrim);
}

bool CHttpTransfer::GetHeaderNumber(const std::string& name, uint32_t& nValue) const {
    return ::GetHeaderNumber(m_strRawHeaders, name, nValue);
}

unsigned CHttpTransfer::Run() {
    m_nJobThreadId = GetCurrentThreadId();
    ExpectCompletion();
    ExpectHandle();
    m_attempts.Reset();
    m_dwAsyncError = 0;
    ClearAnswer();

    StepResult r = StepResult::Failed;
    for (;;) {
        if (EndsTheJob(r)) break;
        r = OpenAndConnect();
        if (r != StepResult::Continue) break;
        r = RunAttempts();
        CloseAll();
        if (r == StepResult::Complete) break;
        if (r == StepResult::RetryLater) r = WaitBeforeRetry();
    }
    // Also after a failed connection: no handle outlives its job.
    CloseAll();
    PostFinished(r);
    return static_cast<unsigned>(r);
}

void CHttpTransfer::PostFinished(StepResult r) {
    m_nCode = CodeAtJobEnd(r, m_nCode);
    const auto nCode = static_cast<uint32_t>(m_nCode);
    if (r != StepResult::Complete) m_notify.PostCode(WM_TRANSFER_ERROR, nCode);
    m_notify.PostFinished(nCode, m_strOutputPath);
}

StepResult CHttpTransfer::OpenAndConnect() {
    try {
        if (!m_hSession) {
            m_hSession.Reset(InternetOpenA(kUserAgent, m_dwAccessType, nullptr, nullptr, INTERNET_FLAG_ASYNC));
            if (!m_hSession) ThrowLastInternetError();
            if (InternetSetStatusCallbackA(m_hSession.Get(), &CRequestContext::StatusCallback) ==
                INTERNET_INVALID_STATUS_CALLBACK)
                ThrowLastInternetError();
        }
        if (m_hConnect) return StepResult::Failed;
        const auto url = CHttpUrl::Parse(m_strUrl);
        if (!url) return StepResult::Failed;
        m_strObject = url->Object();
        m_strHost = url->Host();
        m_bSecure = url->IsSecure();

        CRequestContext* pContext = CRequestContext::Create(this);
        if (!pContext) return StepResult::Failed;
        m_connectContext.Reset(pContext);
        m_hCreated = nullptr;
        HINTERNET hConnect =
            InternetConnectA(m_hSession.Get(), m_strHost.c_str(), url->Port(), NullIfEmpty(url->User()),
                             NullIfEmpty(url->Password()), INTERNET_SERVICE_HTTP, 0, pContext->AsContext());
        if (!hConnect) {
            const DWORD dwError = GetLastError();
            if (dwError != ERROR_IO_PENDING) {
                pContext->DropHandleReference();
                ThrowInternetError(dwError);
            }
            const StepResult r = AwaitHandle(hConnect);
            if (r != StepResult::Continue) return r;
        }
        m_hConnect.Reset(hConnect);
        ExpectHandle();
        return m_hConnect ? StepResult::Continue : StepResult::Failed;
    } catch (...) {
        return StepResult::Failed;
    }
}

StepResult CHttpTransfer::WaitBeforeRetry() {
    // With no attempt left the next pass ends the job: nobody is kept waiting for nothing.
    if (!m_attempts.HasAttemptLeft()) return StepResult::Retry;
    const uint32_t nDelayMs = RetryDelayMs(m_retryWait, m_attempts.Used(), m_nRetryAfterSeconds);
    if (nDelayMs == 0) return StepResult::Retry;
    m_notify.PostPair(WM_TRANSFER_WAITING, nDelayMs, static_cast<uint32_t>(m_retryWait));
    return SleepUnlessStopped(nDelayMs) ? StepResult::Stopped : StepResult::Retry;
}

StepResult CHttpTransfer::RetryWhenNotBusy() {
    std::string strRetryAfter;
    m_retryWait = RetryWait::Busy;
    m_nRetryAfterSeconds = ::GetHeaderString(m_strRawHeaders, "Retry-After", strRetryAfter, true)
                               ? ParseRetryAfter(strRetryAfter, static_cast<int64_t>(std::time(nullptr)))
                               : std::nullopt;
    return StepResult::RetryLater;
}

StepResult CHttpTransfer::AwaitHandle(HINTERNET& hCreated) {
    HANDLE hFired = nullptr;
    if (WaitForEvents(hFired)) return StepResult::Stopped;
    if (hFired != m_hHandleCreated) return StepResult::Failed;
    m_bHandleSignalled = false;  // the wait took it
    if (m_dwAsyncError) ThrowInternetError(m_dwAsyncError);
    hCreated = m_hCreated;
    return StepResult::Continue;
}

StepResult CHttpTransfer::AwaitCompletion() {
    const DWORD dwError = GetLastError();
    if (dwError != ERROR_IO_PENDING) ThrowInternetError(dwError);
    HANDLE hFired = nullptr;
    if (WaitForEvents(hFired)) return StepResult::Stopped;
    if (hFired != m_hRequestComplete) return StepResult::Failed;
    m_bCompletionSignalled = false;  // the wait took it
    if (m_dwAsyncError) ThrowInternetError(m_dwAsyncError);
    return StepResult::Continue;
}

void CHttpTransfer::OnStatus(CRequestContext& context, HINTERNET hInternet, DWORD dwStatus, void* pInfo,
                             DWORD dwInfoLength) {
    (void)context;
    (void)hInternet;
    switch (dwStatus) {
    case INTERNET_STATUS_HANDLE_CREATED:
        // The information starts with the new handle (WinINet here sends only that much).
        if (pInfo && dwInfoLength >= sizeof(DWORD_PTR))
            m_hCreated = reinterpret_cast<HINTERNET>(static_cast<const INTERNET_ASYNC_RESULT*>(pInfo)->dwResult);
        // Made within the creating call on the worker itself, the call returns it: nobody
        // waits, and the event would cost two trips to the system.
        if (GetCurrentThreadId() == m_nJobThreadId) break;
        m_bHandleSignalled = true;
        SetEvent(m_hHandleCreated);
        break;
    case INTERNET_STATUS_REQUEST_COMPLETE:
        m_dwAsyncError = pInfo && dwInfoLength >= sizeof(INTERNET_ASYNC_RESULT)
                             ? static_cast<const INTERNET_ASYNC_RESULT*>(pInfo)->dwError
                             : 0;
        m_bCompletionSignalled = true;
        SetEvent(m_hRequestComplete);
        break;
    default: break;
    }
}

StepResult CHttpTransfer::OpenRequest() {
    if (!m_hConnect || m_hRequest) return StepResult::Failed;
    CRequestContext* pContext = CRequestContext::Create(this);
    if (!pContext) {
        m_nCode = TransferCode::Failed;
        return StepResult::Failed;
    }
    m_requestContext.Reset(pContext);
    const char* acceptTypes[] = {"*/*", nullptr};
    m_hCreated = nullptr;
    HINTERNET hRequest =
        HttpOpenRequestA(m_hConnect.Get(), m_bPost ? "POST" : "GET", m_strObject.c_str(), "HTTP/1.1", nullptr,
                         acceptTypes, kOpenFlags | (m_bSecure ? INTERNET_FLAG_SECURE : 0), pContext->AsContext());
    if (!hRequest) {
        const DWORD dwError = GetLastError();
        if (dwError != ERROR_IO_PENDING) {
            pContext->DropHandleReference();
            m_nCode = TransferCode::Failed;
            ThrowInternetError(dwError);
        }
        const StepResult r = AwaitHandle(hRequest);
        if (r != StepResult::Continue) return r;
    }
    m_hRequest.Reset(hRequest);
    ExpectHandle();
    if (!m_hRequest) {
        m_nCode = TransferCode::Failed;
        return StepResult::Failed;
    }
    ApplyTimeouts();
    return StepResult::Continue;
}

void CHttpTransfer::ApplyTimeouts() {
    // On the request: WinINet here takes no timeout from the session.
    InternetSetOptionA(m_hRequest.Get(), INTERNET_OPTION_CONNECT_TIMEOUT, &m_dwConnectTimeout, sizeof(DWORD));
    InternetSetOptionA(m_hRequest.Get(), INTERNET_OPTION_SEND_TIMEOUT, &m_dwSendTimeout, sizeof(DWORD));
    InternetSetOptionA(m_hRequest.Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &m_dwReceiveTimeout, sizeof(DWORD));
}

DWORD CHttpTransfer::QueryText(DWORD dwInfoLevel, std::string& strText) const {
    std::string buffer(1024, '\0');
    for (int nTry = 0; nTry < 4; ++nTry) {
        DWORD dwSize = static_cast<DWORD>(buffer.size());
        if (HttpQueryInfoA(m_hRequest.Get(), dwInfoLevel, buffer.data(), &dwSize, nullptr)) {
            buffer.resize(dwSize < buffer.size() ? dwSize : buffer.size());
            strText = std::move(buffer);
            return 0;
        }
        const DWORD dwError = GetLastError();
        if (dwError != ERROR_INSUFFICIENT_BUFFER) return dwError ? dwError : ERROR_HTTP_HEADER_NOT_FOUND;
        buffer.assign(static_cast<size_t>(dwSize) + 1, '\0');
    }
    return ERROR_INSUFFICIENT_BUFFER;
}

StepResult CHttpTransfer::RunAttempts() {
    bool bRetried416 = false;
    try {
        for (;;) {
            m_notify.PostText(WM_TRANSFER_CONNECTING, m_strHost);
            if (!m_attempts.BeginAttempt()) return StepResult::Exhausted;
            StepResult r = OpenRequest();
            if (r != StepResult::Continue) return r;
            if (!m_answer.Open(m_strOutputPath)) {
                m_nCode = TransferCode::AnswerFileError;
                CloseRequest();
                return StepResult::Failed;
            }
            bool bNextAttempt = false;
            while (!bNextAttempt) {
                r = SendRequest();
                if (r != StepResult::Continue) {
                    CloseRequest();
                    return r;
                }
                if (const DWORD dwError = QueryText(HTTP_QUERY_RAW_HEADERS_CRLF, m_strRawHeaders))
                    ThrowInternetError(dwError);
                DWORD dwLength = 0;
                DWORD dwSize = sizeof dwLength;
                m_nTotalLength = HttpQueryInfoA(m_hRequest.Get(), HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER,
                                                &dwLength, &dwSize, nullptr)
                                     ? dwLength
                                     : kNoLength;
                char szStatus[80] = {};
                DWORD dwStatusSize = sizeof szStatus - 1;
                if (!HttpQueryInfoA(m_hRequest.Get(), HTTP_QUERY_STATUS_CODE, szStatus, &dwStatusSize, nullptr))
                    ThrowLastInternetError();
                const auto nStatus = static_cast<uint32_t>(std::atol(szStatus));
                // WinINet here ends a wait for the answer that outlasts the receive time-out, or
                // that a reset cuts short, as if it had succeeded, with no status line: no answer
                // came.
                if (nStatus == 0) ThrowInternetError(ERROR_INTERNET_TIMEOUT);
                m_nStatus = nStatus;
                m_notify.Post(WM_TRANSFER_RESPONSE, nullptr, 0);

                const StatusRule rule = RuleForStatus(nStatus);
                if (rule.code) m_nCode = *rule.code;
                switch (rule.action) {
                case StatusAction::ReadBody:
                    r = ReadAnswer();
                    CloseRequest();
                    if (r != StepResult::Retry) return r;
                    bNextAttempt = true;
                    break;
                case StatusAction::Fail: CloseRequest(); return StepResult::Failed;
                case StatusAction::Redirect:
                    r = Redirect(nStatus);
                    CloseRequest();
                    return r;
                case StatusAction::NotModified: CloseRequest(); return StepResult::Complete;
                case StatusAction::GiveUp: CloseRequest(); return StepResult::GiveUp;
                case StatusAction::RetryLater: CloseRequest(); return RetryWhenNotBusy();
                case StatusAction::RetryOnce:
                    CloseRequest();
                    if (bRetried416) return StepResult::GiveUp;
                    bRetried416 = true;
                    bNextAttempt = true;
                    break;
                }
            }
        }
    } catch (const CInternetException& e) {
        const InternetErrorRule rule = RuleForInternetError(m_nCode, e.Error());
        m_nCode = rule.code;
        if (rule.bEndsJob) {
            CloseRequest();
            return StepResult::GiveUp;
        }
        // A reset, a time-out, a close before the answer: the link gets a moment to recover.
        CloseRequest();
        m_retryWait = RetryWait::Broken;
        return StepResult::RetryLater;
    } catch (...) {
        m_nCode = TransferCode::Failed;
    }
    CloseRequest();
    return StepResult::Retry;
}

StepResult CHttpTransfer::ReadAnswer() {
    m_nReceived = 0;
    StepResult r = StepResult::Retry;
    if (!m_answer.Truncate()) {
        m_nCode = TransferCode::AnswerFileError;
    } else {
        try {
            r = ReadBody();
        } catch (const CInternetException&) {
            if (!m_bPost) throw;
            m_nCode = TransferCode::Incomplete;
        }
    }
    // The server has taken a posted body once it answers: another attempt would store it
    // again. Its verdict stands in the headers, whatever became of the body.
    if (m_bPost && r != StepResult::Complete && r != StepResult::Stopped) return StepResult::GiveUp;
    return r;
}

StepResult CHttpTransfer::ReadBody() {
    m_notify.PostPair(WM_TRANSFER_BEGIN, 0, m_nTotalLength);
    if (m_nTotalLength != kNoLength && m_nTotalLength > kMaxAnswerBytes) return GiveUpOnLongAnswer();
    char* pBuffer = m_requestContext ? m_requestContext->ReadBuffer() : nullptr;
    if (!pBuffer) return StepResult::Failed;
    // Both live in the request's context: a read still pending when the job is stopped
    // writes into them after the worker has gone.
    INTERNET_BUFFERSA& buffers = m_requestContext->ReadBuffers();
    for (;;) {
        buffers = INTERNET_BUFFERSA{};
        buffers.dwStructSize = sizeof(INTERNET_BUFFERSA);
        buffers.lpvBuffer = pBuffer;
        buffers.dwBufferLength = CRequestContext::kReadBufferSize;
        ExpectCompletion();
        if (!InternetReadFileExA(m_hRequest.Get(), &buffers, IRF_ASYNC, m_requestContext->AsContext())) {
            const StepResult r = AwaitCompletion();
            if (r != StepResult::Continue) return r;
        } else if (IsStopRequested()) {
            return StepResult::Stopped;
        }
        uint32_t n = buffers.dwBufferLength;
        // WinINet here hands over whatever the server sends after the announced length; it
        // is not part of the answer (and waiting for the server to stop would be pointless).
        const bool bHasLength = m_nTotalLength != kNoLength;
        if (bHasLength && n > m_nTotalLength - m_nReceived) n = m_nTotalLength - m_nReceived;
        if (n > kMaxAnswerBytes - m_nReceived) return GiveUpOnLongAnswer();
        if (n > 0) {
            m_nReceived += n;
            if (!m_answer.Write(pBuffer, n)) {
                m_nCode = TransferCode::AnswerFileError;
                return StepResult::Retry;
            }
            OnBytesTransferred(n);
            if (!bHasLength || m_nReceived < m_nTotalLength) continue;
        }
        if (!m_answer.Flush()) {
            m_nCode = TransferCode::AnswerFileError;
            return StepResult::Retry;
        }
        const BodyEndRule rule = RuleForBodyEnd(m_nTotalLength, m_nReceived);
        m_nCode = rule.code;
        return rule.result;
    }
}

StepResult CHttpTransfer::GiveUpOnLongAnswer() {
    // Another attempt would send the whole request again for the same answer.
    m_nCode = TransferCode::Failed;
    return StepResult::GiveUp;
}

StepResult CHttpTransfer::Redirect(uint32_t nStatus) {
    std::string location;
    if (QueryText(HTTP_QUERY_LOCATION, location) != 0) return StepResult::Failed;
    // A relative Location is resolved against the address that answered. One that cannot be
    // followed (another scheme, no address at all) ends the job: another attempt would only
    // send the whole body to the old address again, for the same redirect.
    const auto base = CHttpUrl::Parse(m_strUrl);
    const auto target = base ? base->Resolve(location) : std::nullopt;
    if (!target) {
        m_nCode = TransferCode::Failed;
        return StepResult::GiveUp;
    }
    if (const auto refusal = RedirectRefusal(*base, *target, nStatus, m_bPost)) {
        m_nCode = *refusal;
        return StepResult::GiveUp;
    }
    if (!m_attempts.TakeRedirect()) {
        m_nCode = TransferCode::Failed;
        return StepResult::GiveUp;
    }
    m_strUrl = target->ToString();
    m_notify.PostText(WM_TRANSFER_REDIRECT, m_strUrl);
    return StepResult::Retry;
}

StepResult CHttpTransfer::SendRequest() {
    ExpectCompletion();
    if (HttpSendRequestA(m_hRequest.Get(), nullptr, 0, nullptr, 0)) return StepResult::Continue;
    return AwaitCompletion();
}

void CHttpTransfer::OnBytesTransferred(uint32_t nBytes) {
    (void)nBytes;
    m_notify.PostProgress(m_nReceived, m_nTotalLength, m_nReceived == m_nTotalLength);
}

void CHttpTransfer::CloseRequest() {
    m_requestContext.Reset();
    m_hRequest.Reset();
}

void CHttpTransfer::CloseConnection() {
    CloseRequest();
    m_connectContext.Reset();
    m_hConnect.Reset();
}

void CHttpTransfer::CloseSession() {
    if (!m_hSession) return;
    InternetSetStatusCallbackA(m_hSession.Get(), nullptr);
    m_hSession.Reset();
}

void CHttpTransfer::CloseAll() {
    // The answer file stays open for the next job; what the last answer left in its cache is
    // written before the job's end is told.
    m_answer.Flush();
    CloseRequest();
    CloseConnection();
    CloseSession();
}
