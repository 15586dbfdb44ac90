// Outcome codes of one transfer job (what the listener hears) and of each step of its worker.
#pragma once
#include <cstdint>

enum class TransferCode : uint32_t {
    Complete = 0,
    NotModified = 1,
    Failed = 2,
    Incomplete = 3,
    LocalFileError = 4,
    HostNotFound = 5,
    // 6 is never produced; the numbers are what listeners and payloads carry.
    NotFound = 7,
    Unavailable = 8,
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
