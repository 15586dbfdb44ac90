// The messages a transfer worker posts to the notification window, and their payloads.
#pragma once
#include <windows.h>

#include <cstdint>

// wParam is always the job's number (see CNotifyLink::Attach). lParam is a block from the
// payload heap, allocated by the worker and freed by the window (0 where there is none).
inline constexpr UINT WM_TRANSFER_BEGIN = WM_USER + 4000;       // TransferPair: 0, Content-Length
inline constexpr UINT WM_TRANSFER_PROGRESS = WM_USER + 4001;    // TransferPair: done, total
inline constexpr UINT WM_TRANSFER_FINISHED = WM_USER + 4002;    // code, then the answer path, NUL
inline constexpr UINT WM_TRANSFER_CONNECTING = WM_USER + 4003;  // host name, NUL
inline constexpr UINT WM_TRANSFER_RESPONSE = WM_USER + 4004;    // none
inline constexpr UINT WM_TRANSFER_ERROR = WM_USER + 4006;       // code
inline constexpr UINT WM_TRANSFER_REDIRECT = WM_USER + 4007;    // new URL, NUL
inline constexpr UINT WM_TRANSFER_WAITING = WM_USER + 4008;     // TransferPair: delay ms, RetryWait
// The range a window's queue of transfer notifications spans.
inline constexpr UINT WM_TRANSFER_FIRST = WM_TRANSFER_BEGIN;
inline constexpr UINT WM_TRANSFER_LAST = WM_TRANSFER_WAITING;

// Integers in machine byte order.
struct TransferPair {
    uint32_t nFirst;
    uint32_t nSecond;
};
static_assert(sizeof(TransferPair) == 8);
