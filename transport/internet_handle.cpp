#include "transport/internet_handle.h"

#include <wininet.h>

void ThrowInternetError(DWORD dwError) { throw CInternetException(dwError ? dwError : ERROR_INTERNET_INTERNAL_ERROR); }

void ThrowLastInternetError() { ThrowInternetError(GetLastError()); }
