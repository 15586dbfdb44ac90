// Owner of one WinINet handle (session, connection or request).
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
