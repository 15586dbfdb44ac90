// CVariant: owner of one VARIANT, cleared (its string freed, its object released) when it goes.
#pragma once
#include <oleauto.h>

#include <string>

class CVariant {
public:
    CVariant() { VariantInit(&m_v); }
    explicit CVariant(long value) : CVariant() {
        m_v.vt = VT_I4;
        m_v.lVal = value;
    }
    explicit CVariant(double value) : CVariant() {
        m_v.vt = VT_R8;
        m_v.dblVal = value;
    }
    // A VT_BSTR copy of the text; VT_EMPTY when the string cannot be allocated.
    explicit CVariant(const std::wstring& text) : CVariant() {
        if (BSTR bstr = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {
            m_v.vt = VT_BSTR;
            m_v.bstrVal = bstr;
        }
    }
    // Takes over a string the caller allocated; null makes a VT_BSTR with no string, which
    // scripts read as "".
    static CVariant FromBstr(BSTR bstr) {
        CVariant v;
        v.m_v.vt = VT_BSTR;
        v.m_v.bstrVal = bstr;
        return v;
    }
    ~CVariant() { VariantClear(&m_v); }
    CVariant(CVariant&& other) noexcept : m_v(other.m_v) { VariantInit(&other.m_v); }
    CVariant& operator=(CVariant&&) = delete;
    CVariant(const CVariant&) = delete;
    CVariant& operator=(const CVariant&) = delete;

    const VARIANT& Get() const { return m_v; }
    VARIANT& Ref() { return m_v; }
    // For an out-parameter: whatever was held is cleared first.
    VARIANT* Receive() {
        VariantClear(&m_v);
        return &m_v;
    }

private:
    VARIANT m_v;
};
// An array of them is an array of VARIANTs, as DISPPARAMS takes its arguments.
static_assert(sizeof(CVariant) == sizeof(VARIANT));
