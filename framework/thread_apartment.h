// CThreadApartment: COM for a worker thread's whole life. The system's picture decoders are
// COM objects, and an apartment made and dropped around every picture would reload them
// each time.
#pragma once
#include <objbase.h>

class CThreadApartment {
public:
    CThreadApartment() : m_bInit(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~CThreadApartment() {
        if (m_bInit) CoUninitialize();
    }
    CThreadApartment(const CThreadApartment&) = delete;
    CThreadApartment& operator=(const CThreadApartment&) = delete;

private:
    bool m_bInit;
};
