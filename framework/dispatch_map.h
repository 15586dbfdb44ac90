// The control's automation members as a table: the type library gives names and ids to
// scripts, this table says how Invoke reaches each member.
#pragma once
#include <oaidl.h>

#include <type_traits>

class COleControl;

// A setter either takes every value (void) or says why it refused one (an HRESULT).
template <class Setter>
HRESULT CallSetter(Setter&& set) {
    if constexpr (std::is_void_v<decltype(set())>) {
        set();
        return S_OK;
    } else {
        return set();
    }
}

struct DispatchEntry {
    DISPID dispid;
    VARTYPE vt;  // the property's type; VT_EMPTY for a method without arguments or result
    void (*get)(COleControl& control, VARIANT& result);
    HRESULT (*put)(COleControl& control, const VARIANT& value);  // value already of type vt
    void (*call)(COleControl& control);
};

// Property of type BSTR, long or short with a getter returning the value and a setter taking it.
#define DISP_PROPERTY_OF_TYPE(theClass, id, type, field, getter, setter)                      \
    DispatchEntry {                                                                           \
        id, type,                                                                             \
            [](COleControl& c, VARIANT& v) {                                                  \
                v.vt = type;                                                                  \
                v.field = static_cast<theClass&>(c).getter();                                 \
            },                                                                                \
            [](COleControl& c, const VARIANT& v) {                                            \
                return CallSetter([&] { return static_cast<theClass&>(c).setter(v.field); }); \
            },                                                                                \
            nullptr                                                                           \
    }
#define DISP_PROPERTY_BSTR(theClass, id, getter, setter) \
    DISP_PROPERTY_OF_TYPE(theClass, id, VT_BSTR, bstrVal, getter, setter)
#define DISP_PROPERTY_LONG(theClass, id, getter, setter) \
    DISP_PROPERTY_OF_TYPE(theClass, id, VT_I4, lVal, getter, setter)
#define DISP_PROPERTY_SHORT(theClass, id, getter, setter) \
    DISP_PROPERTY_OF_TYPE(theClass, id, VT_I2, iVal, getter, setter)
#define DISP_METHOD(theClass, id, method)                                                          \
    DispatchEntry {                                                                                \
        id, VT_EMPTY, nullptr, nullptr, [](COleControl& c) { static_cast<theClass&>(c).method(); } \
    }
