// Owner of one WinINet handle (session, connection or request), and the error the transfer
// engine raises for a failed WinINet call, which never leaves the engine.
#pragma once
#include <windows.h>
#include <wininet.h>

#include "framework/scoped_handle.h"

struct InternetHandleTraits {
    using Handle = HINTERNET;
    static Handle None() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { InternetCloseHandle(h); }
};
using CScopedInternet = CHandleT<InternetHandleTraits>;

class CInternetException {
public:
    explicit CInternetException(DWORD dwError) : m_dwError(dwError) {}
    DWORD Error() const { return m_dwError; }

private:
    DWORD m_dwError;
};

// Raises the given error; 0 (a call that failed without saying why) becomes a generic failure
// so that a catcher never mistakes it for success.
[[noreturn]] inline void ThrowInternetError(DWORD dwError) {
    throw CInternetException(dwError ? dwError : ERROR_INTERNET_INTERNAL_ERROR);
}
[[noreturn]] inline void ThrowLastInternetError() { ThrowInternetError(GetLastError()); }
