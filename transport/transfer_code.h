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
};

// Why a job was not started.
enum class StartRefusal : uint32_t {
    None = 0,
    BadAddress = 1,  // not an http address, or no place for the answer
    NoWorker = 2,    // the notification window or the worker thread could not be made
};

enum class StepResult : uint32_t {
    Complete = 0,
    Retry = 1,
    Continue = 2,
    Failed = 3,
    Exhausted = 4,
    GiveUp = 5,
    Stopped = 6,
};
