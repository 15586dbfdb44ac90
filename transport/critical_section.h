// A Win32 critical section and the scope that holds it.
#pragma once
#include <windows.h>

class CCriticalSection {
public:
    CCriticalSection() { InitializeCriticalSection(&m_cs); }
    ~CCriticalSection() { DeleteCriticalSection(&m_cs); }
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;
    void Enter() { EnterCriticalSection(&m_cs); }
    void Leave() { LeaveCriticalSection(&m_cs); }

    // Holds the section for one scope.
    class CLock {
    public:
        explicit CLock(CCriticalSection& cs) : m_cs(cs) { m_cs.Enter(); }
        ~CLock() { m_cs.Leave(); }
        CLock(const CLock&) = delete;
        CLock& operator=(const CLock&) = delete;

    private:
        CCriticalSection& m_cs;
    };

private:
    CRITICAL_SECTION m_cs;
};
