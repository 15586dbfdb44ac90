// Calls through IDispatch by name, the way a page's script reaches the control.
#pragma once
#include <oaidl.h>

#include <string>

#include "framework/variant.h"

DISPID DispIdOf(IDispatch* disp, const wchar_t* name);
HRESULT PutProperty(IDispatch* disp, const wchar_t* name, VARIANT& value, UINT* argErr = nullptr);
HRESULT GetProperty(IDispatch* disp, const wchar_t* name, CVariant& result);
// The property read back as text / as a 32-bit number (VT_I2 sign-extended).
std::wstring GetString(IDispatch* disp, const wchar_t* name);
long GetNumber(IDispatch* disp, const wchar_t* name);
