// Exchange of a control's persistent values with a stream or a property bag, one direction
// at a time.
#pragma once
#include <windows.h>

class CPropExchange {
public:
    explicit CPropExchange(bool bLoading) : m_bLoading(bLoading) {}
    virtual ~CPropExchange() = default;
    bool IsLoading() const { return m_bLoading; }
    // Loads into or saves from dwVersion; a value that cannot be read leaves dwDefault.
    virtual bool ExchangeVersion(DWORD& dwVersion, DWORD dwDefault) = 0;

private:
    bool m_bLoading;
};
