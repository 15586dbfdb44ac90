// Calls through IDispatch by name, the way a page's script reaches the control.
#pragma once
#include <oaidl.h>

#include <string>

class CVariant {
public:
    CVariant() { VariantInit(&m_v); }
    explicit CVariant(long value) : CVariant() { m_v.vt = VT_I4; m_v.lVal = value; }
    explicit CVariant(double value) : CVariant() { m_v.vt = VT_R8; m_v.dblVal = value; }
    explicit CVariant(const std::wstring& text) : CVariant() {
        m_v.vt = VT_BSTR;
        m_v.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    }
    ~CVariant() { VariantClear(&m_v); }
    CVariant(const CVariant&) = delete;
    CVariant& operator=(const CVariant&) = delete;
    VARIANT* operator&() { return &m_v; }
    const VARIANT& Get() const { return m_v; }
    VARIANT& Ref() { return m_v; }

private:
    VARIANT m_v;
};

DISPID DispIdOf(IDispatch* disp, const wchar_t* name);
HRESULT PutProperty(IDispatch* disp, const wchar_t* name, VARIANT& value, UINT* argErr = nullptr);
HRESULT GetProperty(IDispatch* disp, const wchar_t* name, CVariant& result);
// The property read back as text / as a 32-bit number (VT_I2 sign-extended).
std::wstring GetString(IDispatch* disp, const wchar_t* name);
long GetNumber(IDispatch* disp, const wchar_t* name);
