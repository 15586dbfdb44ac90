// Outcome codes of one transfer job (what the listener hears) and of each step of its worker.
#pragma once
#include <cstdint>

enum class TransferCode : uint32_t {
    Complete = 0,
    NotModified = 1,
    Failed = 2,
    Incomplete = 3,
    // The file to send could not be read.
    LocalFileError = 4,
    HostNotFound = 5,
    // 6 is never produced; the numbers are what listeners and payloads carry.
    NotFound = 7,
    Unavailable = 8,
    // The answer's file in the temporary folder could not be made or written.
    AnswerFileError = 9,
    // The server's certificate: not from an authority the system trusts, made out to another
    // host name, or outside its dates. Nothing of the body was sent.
    CertificateUntrusted = 10,
    CertificateWrongHost = 11,
    CertificateExpired = 12,
    // No secure connection could be made: the peer does not speak TLS, or the handshake failed.
    SecureConnectionFailed = 13,
    // A redirect from https to http: the form, signature included, would cross in the clear.
    InsecureRedirect = 14,
    // A redirect to another host or port, or a 303 answer to a POST: not followed.
    RedirectRefused = 15,
    // 401 or 407: the upload authenticates by its signature, never by a password box.
    AuthenticationRequired = 16,
};

// Why a job was not started.
enum class StartRefusal : uint32_t {
    None = 0,
    BadAddress = 1,  // not an http address, or no place for the answer
    NoWorker = 2,    // the notification window or the worker thread could not be made
};

// Why the next attempt of a job waits: the server said it is busy (503, 429), or the connection
// broke (a reset, a time-out, a close before the answer).
enum class RetryWait : uint32_t { Busy = 0, Broken = 1 };

enum class StepResult : uint32_t {
    Complete = 0,
    Retry = 1,
    Continue = 2,
    Failed = 3,
    Exhausted = 4,
    GiveUp = 5,
    Stopped = 6,
    // Another attempt, after the wait the job has chosen.
    RetryLater = 7,
};
