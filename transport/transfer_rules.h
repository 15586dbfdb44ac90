// What the request engine does with an answer's status, with the end of an answer body and
// with an error raised during an attempt: the decisions that need no platform call.
#pragma once
#include <cstdint>
#include <optional>

#include "transport/http_url.h"
#include "transport/transfer_code.h"

enum class StatusAction {
    ReadBody,     // 200: store the answer body
    Fail,         // the attempt failed; the job tries again while attempts remain
    Redirect,     // follow Location with the same verb and body, where RedirectRefusal allows
    NotModified,  // 304: the job is complete
    GiveUp,       // the answer ends the job
    RetryOnce,    // 416: one more attempt, then give up
    RetryLater,   // 503, 429: the server is busy; another attempt after a wait
};

struct StatusRule {
    StatusAction action;
    // The job's code to set; none leaves the code as it is.
    std::optional<TransferCode> code;
};

// 301 and 308 are followed like 302, 303 and 307: an upload script that moved must get the
// body, and failing the same request three times against the old address helps nobody.
// 401 and 407 end the job: the upload authenticates by its signature, and a password box
// opened from the worker would belong to no page. A busy server (503, 429) is given time
// before the next attempt: trying again at once is what hurts it most.
StatusRule RuleForStatus(uint32_t nStatus);

// Milliseconds to wait before the attempt that follows the nAttemptsUsed-th (1 or more). A
// busy server's own Retry-After (seconds, already capped) is obeyed; without one it gets 2 s,
// then 4 s. A broken connection is tried again after 1 s, then 2 s.
uint32_t RetryDelayMs(RetryWait why, uint32_t nAttemptsUsed, std::optional<uint32_t> nRetryAfterSeconds);

// Why a redirect from `from` to `to` is not followed, or none when it is. The form carries the
// signature: it goes only back to the host that asked for it, on the same port, never from
// https down to http; up from http to https on the same host it goes (the certificate then
// proves the host, whatever the port). A 303 asks for a GET instead of the POST: the upload
// is not sent again as something else.
std::optional<TransferCode> RedirectRefusal(const CHttpUrl& from, const CHttpUrl& to, uint32_t nStatus, bool bPost);

// At the end of a 200 answer: complete when it had no Content-Length (0xFFFFFFFF) or all of
// it arrived, else incomplete and worth another attempt.
struct BodyEndRule {
    StepResult result;  // Complete or Retry
    TransferCode code;
};
BodyEndRule RuleForBodyEnd(uint32_t nContentLength, uint32_t nReceived);

// The most of an answer body that is stored. The album's answer is a few headers and a line
// or two; a body beyond this (one without Content-Length may never end) ends the job as
// Failed instead of filling the temporary folder.
inline constexpr uint32_t kMaxAnswerBytes = 1u << 20;

// The platform's "name not resolved" error; it marks the job HostNotFound although the
// attempt is retried.
inline constexpr uint32_t kErrorNameNotResolved = 12007;
// The platform's errors of a secure connection.
inline constexpr uint32_t kErrorCertificateDate = 12037;
inline constexpr uint32_t kErrorCertificateName = 12038;
inline constexpr uint32_t kErrorUnknownAuthority = 12045;
inline constexpr uint32_t kErrorCertificateErrors = 12055;
inline constexpr uint32_t kErrorNoRevocationCheck = 12056;
inline constexpr uint32_t kErrorRevocationCheckFailed = 12057;
inline constexpr uint32_t kErrorSecureChannel = 12157;
inline constexpr uint32_t kErrorInvalidCertificate = 12169;
inline constexpr uint32_t kErrorCertificateRevoked = 12170;

// After an internet error raised inside an attempt: the job's code, and whether the job ends
// at once. A certificate or a secure channel that failed fails the same way on every attempt.
// A certificate whose revocation could not be checked is not trusted either (WinINet here
// says so of one from an unknown authority).
struct InternetErrorRule {
    TransferCode code;
    bool bEndsJob;
};
InternetErrorRule RuleForInternetError(TransferCode current, uint32_t nError);

// The code a finished job reports: a job that did not complete never reports Complete.
TransferCode CodeAtJobEnd(StepResult result, TransferCode current);
