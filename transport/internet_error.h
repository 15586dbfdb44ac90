// The error the transfer engine raises for a failed WinINet call; it never leaves the engine.
#pragma once
#include <windows.h>

class CInternetException {
public:
    explicit CInternetException(DWORD dwError) : m_dwError(dwError) {}
    DWORD Error() const { return m_dwError; }

private:
    DWORD m_dwError;
};

// Raises the given error; 0 (a call that failed without saying why) becomes a generic failure
// so that a catcher never mistakes it for success.
[[noreturn]] void ThrowInternetError(DWORD dwError);
[[noreturn]] void ThrowLastInternetError();
