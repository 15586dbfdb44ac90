// The benchmarks' clock: seconds (or milliseconds) from the performance counter, as a double.
#pragma once
#include <windows.h>

inline double Seconds() {
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

inline double Millis() { return 1000.0 * Seconds(); }
