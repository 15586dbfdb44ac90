// The control's automation members as a table: the type library gives names and ids to
// scripts, this table says how Invoke reaches each member.
#pragma once
#include <oaidl.h>

class COleControl;

struct DispatchEntry {
    DISPID dispid;
    VARTYPE vt;  // the property's type; VT_EMPTY for a method without arguments or result
    void (*get)(COleControl& control, VARIANT& result);
    void (*put)(COleControl& control, const VARIANT& value);  // value already of type vt
    void (*call)(COleControl& control);
};

// Property of type BSTR, long or short with a getter returning the value and a setter taking it.
#define DISP_PROPERTY_BSTR(theClass, id, getter, setter)                                                   \
    DispatchEntry {                                                                                        \
        id, VT_BSTR,                                                                                       \
            [](COleControl& c, VARIANT& v) {                                                               \
                v.vt = VT_BSTR;                                                                            \
                v.bstrVal = static_cast<theClass&>(c).getter();                                            \
            },                                                                                             \
            [](COleControl& c, const VARIANT& v) { static_cast<theClass&>(c).setter(v.bstrVal); }, nullptr \
    }
#define DISP_PROPERTY_LONG(theClass, id, getter, setter)                                                \
    DispatchEntry {                                                                                     \
        id, VT_I4,                                                                                      \
            [](COleControl& c, VARIANT& v) {                                                            \
                v.vt = VT_I4;                                                                           \
                v.lVal = static_cast<theClass&>(c).getter();                                            \
            },                                                                                          \
            [](COleControl& c, const VARIANT& v) { static_cast<theClass&>(c).setter(v.lVal); }, nullptr \
    }
#define DISP_PROPERTY_SHORT(theClass, id, getter, setter)                                               \
    DispatchEntry {                                                                                     \
        id, VT_I2,                                                                                      \
            [](COleControl& c, VARIANT& v) {                                                            \
                v.vt = VT_I2;                                                                           \
                v.iVal = static_cast<theClass&>(c).getter();                                            \
            },                                                                                          \
            [](COleControl& c, const VARIANT& v) { static_cast<theClass&>(c).setter(v.iVal); }, nullptr \
    }
#define DISP_METHOD(theClass, id, method)                                                          \
    DispatchEntry {                                                                                \
        id, VT_EMPTY, nullptr, nullptr, [](COleControl& c) { static_cast<theClass&>(c).method(); } \
    }
