// What the request engine does with an answer's status, with the end of an answer body and
// with an error raised during an attempt: the decisions that need no platform call.
#pragma once
#include <cstdint>
#include <optional>

#include "transport/transfer_code.h"

enum class StatusAction {
    ReadBody,      // 200: store the answer body
    Fail,          // the attempt failed; the job tries again while attempts remain
    Redirect,      // follow Location with the same verb and body
    NotModified,   // 304: the job is complete
    Authenticate,  // 401, 407: offer the authentication dialog
    GiveUp,        // the answer ends the job
    RetryOnce,     // 416: one more attempt, then give up
};

struct StatusRule {
    StatusAction action;
    // The job's code to set; none leaves the code as it is.
    std::optional<TransferCode> code;
};

// 301 and 308 are followed like 302, 303 and 307: an upload script that moved must get the
// body, and failing the same request three times against the old address helps nobody.
StatusRule RuleForStatus(uint32_t nStatus);

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

// Code after an internet error raised inside an attempt.
TransferCode CodeAfterInternetError(TransferCode current, uint32_t nError);

// The code a finished job reports: a job that did not complete never reports Complete.
TransferCode CodeAtJobEnd(StepResult result, TransferCode current);
