#include "dispatch_helpers.h"

DISPID DispIdOf(IDispatch* disp, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    if (FAILED(disp->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return DISPID_UNKNOWN;
    return id;
}

HRESULT PutProperty(IDispatch* disp, const wchar_t* name, VARIANT& value, UINT* argErr) {
    DISPID id = DispIdOf(disp, name);
    if (id == DISPID_UNKNOWN) return DISP_E_UNKNOWNNAME;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &named, 1, 1};
    UINT err = 0xdeadbeef;
    HRESULT hr = disp->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, &err);
    if (argErr) *argErr = err;
    return hr;
}

HRESULT GetProperty(IDispatch* disp, const wchar_t* name, CVariant& result) {
    DISPID id = DispIdOf(disp, name);
    if (id == DISPID_UNKNOWN) return DISP_E_UNKNOWNNAME;
    DISPPARAMS params{};
    return disp->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &params, result.Receive(), nullptr,
                        nullptr);
}

std::wstring GetString(IDispatch* disp, const wchar_t* name) {
    CVariant v;
    if (FAILED(GetProperty(disp, name, v)) || v.Get().vt != VT_BSTR) return L"<error>";
    return std::wstring(v.Get().bstrVal, SysStringLen(v.Get().bstrVal));
}

long GetNumber(IDispatch* disp, const wchar_t* name) {
    CVariant v;
    if (FAILED(GetProperty(disp, name, v))) return 0x7eadbeef;
    if (v.Get().vt == VT_I2) return v.Get().iVal;
    if (v.Get().vt == VT_I4) return v.Get().lVal;
    return 0x7eadbeef;
}
