// QueryInterface as a table: each entry names an interface and how to reach it from the object.
#pragma once
#include <objbase.h>

struct QITableEntry {
    const IID* piid;
    void* (*cast)(void* self);
};

// The first entry also answers IID_IUnknown. The table ends with a null piid.
inline HRESULT QueryInterfaceFromTable(void* self, const QITableEntry* table, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown) {
        *ppv = table[0].cast(self);
    } else {
        for (const QITableEntry* e = table; e->piid; ++e) {
            if (*e->piid == riid) {
                *ppv = e->cast(self);
                break;
            }
        }
    }
    if (!*ppv) return E_NOINTERFACE;
    static_cast<IUnknown*>(*ppv)->AddRef();
    return S_OK;
}

#define QI_ENTRY(theClass, theInterface)                                                                 \
    QITableEntry {                                                                                       \
        &IID_##theInterface,                                                                             \
            [](void* self) -> void* { return static_cast<theInterface*>(static_cast<theClass*>(self)); } \
    }
#define QI_END() \
    QITableEntry { nullptr, nullptr }
