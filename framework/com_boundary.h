// ComBoundary: the one place where a COM method's C++ exceptions stop.
#pragma once
#include <windows.h>

#include <new>

// Runs body (which returns an HRESULT) and turns an exception into a failure code, so that
// none crosses into the caller's frames: E_OUTOFMEMORY for an allocation that failed,
// E_UNEXPECTED for anything else.
template <class Body>
HRESULT ComBoundary(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}
