#include "framework/ole_object_factory.h"
#include "framework/com_boundary.h"

#include "framework/module.h"
#include "framework/qi_table.h"

namespace {
COleObjectFactory*& FirstFactory() {
    static COleObjectFactory* first = nullptr;
    return first;
}
}  // namespace

COleObjectFactory::COleObjectFactory(const CLSID& clsid, const char* lpszProgID, CreateFn create,
                                     UpdateRegistryFn updateRegistry)
    : m_clsid(clsid), m_lpszProgID(lpszProgID), m_create(create), m_updateRegistry(updateRegistry), m_pNext(nullptr) {
    COleObjectFactory** link = &FirstFactory();
    while (*link) link = &(*link)->m_pNext;
    *link = this;
}

COleObjectFactory::~COleObjectFactory() {
    for (COleObjectFactory** link = &FirstFactory(); *link; link = &(*link)->m_pNext) {
        if (*link == this) {
            *link = m_pNext;
            break;
        }
    }
}

HRESULT COleObjectFactory::GetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    for (COleObjectFactory* f = FirstFactory(); f; f = f->m_pNext)
        if (f->m_clsid == rclsid) return f->QueryInterface(riid, ppv);
    return CLASS_E_CLASSNOTAVAILABLE;
}

bool COleObjectFactory::UpdateRegistryAll(bool bRegister) {
    for (COleObjectFactory* f = FirstFactory(); f; f = f->m_pNext)
        if (!f->m_updateRegistry(bRegister)) return false;
    return true;
}

STDMETHODIMP COleObjectFactory::QueryInterface(REFIID riid, void** ppv) {
    static const QITableEntry table[] = {QI_ENTRY(COleObjectFactory, IClassFactory), QI_END()};
    return QueryInterfaceFromTable(this, table, riid, ppv);
}

STDMETHODIMP COleObjectFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (pUnkOuter) return CLASS_E_NOAGGREGATION;
    return ComBoundary([&] { return m_create(riid, ppv); });
}

STDMETHODIMP COleObjectFactory::LockServer(BOOL fLock) {
    CModule::Lock(fLock != FALSE);
    return S_OK;
}
